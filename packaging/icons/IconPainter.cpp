#include "IconPainter.h"
#include <QLinearGradient>
#include <QPainter>
#include <QPen>
#include <stdexcept>
#include <string>

namespace {

// The drawing is in the 256-unit space of the SVG's view box.
constexpr double Design = 256.0;

const QColor Outline(0x3e, 0x48, 0x52);
const QColor PaperEdge(0x5d, 0x67, 0x73);
const QColor TextLine(0x9a, 0xa5, 0xb1);

void sheet(QPainter& p, QRectF r)
{
    p.setPen(QPen(PaperEdge, 4));
    p.setBrush(Qt::white);
    p.drawRect(r);
}

void textLine(QPainter& p, QRectF r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(TextLine);
    p.drawRect(r);
}

}

QImage IconPainter::Paint(int size)
{
    if (size < 1 || size > 4096)
        throw std::invalid_argument("icon size out of range: " + std::to_string(size));
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / Design, size / Design);

    // The original, half under the lid.
    sheet(p, QRectF(76, 20, 104, 96));
    textLine(p, QRectF(92, 40, 72, 8));
    textLine(p, QRectF(92, 58, 56, 8));
    textLine(p, QRectF(92, 76, 64, 8));

    // The body.
    QLinearGradient body(0, 96, 0, 216);
    body.setColorAt(0, QColor(0xe4, 0xe8, 0xec));
    body.setColorAt(1, QColor(0xa7, 0xb1, 0xbc));
    p.setPen(QPen(Outline, 6));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(28, 96, 200, 120), 18, 18);

    // The lid.
    p.setBrush(QColor(0x52, 0x60, 0x6e));
    p.drawRoundedRect(QRectF(28, 96, 200, 28), 10, 10);

    // The LED display with three lit dots.
    p.setPen(QPen(Outline, 3));
    p.setBrush(QColor(0x17, 0x25, 0x1a));
    p.drawRoundedRect(QRectF(48, 140, 88, 36), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4e, 0xe0, 0x6f));
    for (double cx : { 66.0, 92.0, 118.0 })
        p.drawEllipse(QPointF(cx, 158), 7, 7);

    // The copy key.
    p.setPen(QPen(QColor(0x1d, 0x6b, 0x33), 4));
    p.setBrush(QColor(0x2f, 0xa8, 0x4f));
    p.drawEllipse(QPointF(190, 158), 18, 18);

    // The copy in the tray.
    sheet(p, QRectF(60, 204, 136, 32));
    textLine(p, QRectF(76, 216, 104, 8));

    p.end();
    return image;
}
