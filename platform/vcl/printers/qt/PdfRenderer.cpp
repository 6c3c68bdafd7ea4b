#include "platform/vcl/printers/qt/PdfRenderer.h"
#include <QColor>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include <QString>

namespace qtprint {
namespace {

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
QRect ToQRect(const RECT& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

// A view of the recorded pixels, no copy made. Rows stored bottom-up are
// viewed from the last one and drawn flipped.
QImage View(const GdiRecordedImage& image, bool& flipped)
{
    flipped = image.Step < 0;
    const uchar* first = flipped ? image.Row(image.Height - 1) : image.Row(0);
    auto* bits = const_cast<uchar*>(first);
    qsizetype stride = flipped ? -image.Step : image.Step;
    switch (image.BitsPerPixel) {
    case 8: {
        QImage view(bits, image.Width, image.Height, stride, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (const RGBQUAD& q : image.Colors)
            table.append(qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue));
        while (table.size() < 256)
            table.append(qRgb(0, 0, 0));
        view.setColorTable(table);
        return view;
    }
    case 24:
        return QImage(bits, image.Width, image.Height, stride, QImage::Format_BGR888);
    default:
        return QImage(bits, image.Width, image.Height, stride, QImage::Format_RGB32);
    }
}

} // namespace

void RenderPdf(const GdiRecording& recording, const TPrinterPage& page, const AnsiString& title,
    const AnsiString& fileName, const std::function<void()>& pump)
{
    QPdfWriter writer(QString::fromStdString(fileName));
    writer.setResolution(page.dpiX);
    writer.setTitle(QString::fromStdString(title));
    writer.setCreator(QStringLiteral("Velmora Copier 1.2"));
    QSizeF points(page.paperWidth * 72.0 / page.dpiX, page.paperHeight * 72.0 / page.dpiY);
    QPageLayout layout(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch), QPageLayout::Portrait,
        QMarginsF(0, 0, 0, 0));
    layout.setMode(QPageLayout::FullPageMode);
    writer.setPageLayout(layout);

    QPainter painter;
    if (!painter.begin(&writer))
        throw EPrinter("Cannot write the print file \"" + fileName + "\"");
    // Exact pixels, as on the printer's raster: no smoothing, no lossy images.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.translate(page.printableLeft, page.printableTop);
    const QRect printable(0, 0, page.printableWidth, page.printableHeight);

    for (const GdiRecordedOp& op : recording.Ops()) {
        QRect clip = ToQRect(op.clip).intersected(printable);
        if (clip.isEmpty())
            continue;
        painter.setClipRect(clip);
        switch (op.kind) {
        case GdiRecordedOp::Kind::FillRect:
        case GdiRecordedOp::Kind::Pixel:
            painter.fillRect(ToQRect(op.rect), ToQColor(op.color));
            break;
        case GdiRecordedOp::Kind::Line: {
            QPen pen(ToQColor(op.color));
            pen.setWidth(op.penWidth);
            pen.setCapStyle(Qt::FlatCap);
            painter.setPen(pen);
            painter.drawLine(QPointF(op.from.x + 0.5, op.from.y + 0.5), QPointF(op.to.x + 0.5, op.to.y + 0.5));
            break;
        }
        case GdiRecordedOp::Kind::Image: {
            if (!op.image || op.image->Width <= 0 || op.image->Height <= 0)
                break;
            bool flipped = false;
            QImage image = View(*op.image, flipped);
            bool mirrorY = op.mirrorY != flipped;
            QRect target = ToQRect(op.rect);
            painter.save();
            // Mirroring is a transform of the destination, so the image is embedded as it is.
            painter.translate(op.mirrorX ? target.right() + 1 : target.left(), mirrorY ? target.bottom() + 1 : target.top());
            painter.scale(op.mirrorX ? -1 : 1, mirrorY ? -1 : 1);
            painter.drawImage(QRectF(0, 0, target.width(), target.height()), image);
            painter.restore();
            break;
        }
        }
        if (pump)
            pump();
    }
    if (!painter.end())
        throw EPrinter("Cannot write the print file \"" + fileName + "\"");
}

} // namespace qtprint
