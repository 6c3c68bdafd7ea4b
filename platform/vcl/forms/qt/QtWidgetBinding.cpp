#include "platform/vcl/forms/qt/QtWidgetBinding.h"
#include "platform/vcl/graphics/TPicture.h"
#include "platform/win/gdi/GdiExtensions.h"
#include <QPalette>
#include <QToolTip>

QtWidgetBinding::QtWidgetBinding(TControl& control, QWidget* widget)
    : m_control(control)
    , m_widget(widget)
{
}

QtWidgetBinding::~QtWidgetBinding()
{
    // The parent's widget may already have taken ours with it.
    delete m_widget.data();
}

QWidget* QtWidgetBinding::ParentWidget(TWidgetBinding* parent)
{
    return parent ? static_cast<QWidget*>(parent->NativeWidget()) : nullptr;
}

void QtWidgetBinding::SetBounds(int left, int top, int width, int height)
{
    if (m_widget)
        m_widget->setGeometry(left, top, width, height);
}

void QtWidgetBinding::SetVisible(bool visible)
{
    if (m_widget)
        m_widget->setVisible(visible);
}

void QtWidgetBinding::SetEnabled(bool enabled)
{
    if (m_widget)
        m_widget->setEnabled(enabled);
}

void QtWidgetBinding::SetColor(TColor color, bool parentColor)
{
    if (!m_widget)
        return;
    if (parentColor) {
        m_widget->setAutoFillBackground(false);
        return;
    }
    QPalette palette = m_widget->palette();
    palette.setColor(QPalette::Window, qtbind::ToQColor(color));
    m_widget->setPalette(palette);
    m_widget->setAutoFillBackground(true);
}

void QtWidgetBinding::SetFont(const TFont& font)
{
    if (!m_widget)
        return;
    m_widget->setFont(qtbind::ToQFont(font));
    QPalette palette = m_widget->palette();
    palette.setColor(QPalette::WindowText, qtbind::ToQColor(font.Color));
    palette.setColor(QPalette::ButtonText, qtbind::ToQColor(font.Color));
    m_widget->setPalette(palette);
}

void QtWidgetBinding::SetHint(const AnsiString& hint, bool show)
{
    if (m_widget)
        m_widget->setToolTip(show ? qtbind::ToQString(hint) : QString());
}

void QtWidgetBinding::SetCursor(int cursor)
{
    if (!m_widget)
        return;
    switch (cursor) {
    case crHandPoint: m_widget->setCursor(Qt::PointingHandCursor); break;
    case crHourGlass: m_widget->setCursor(Qt::WaitCursor); break;
    case crAppStart: m_widget->setCursor(Qt::BusyCursor); break;
    default: m_widget->unsetCursor(); break;
    }
}

bool QtWidgetBinding::Focused() const
{
    return m_widget && m_widget->hasFocus();
}

void QtWidgetBinding::SetFocus()
{
    if (m_widget)
        m_widget->setFocus(Qt::OtherFocusReason);
}

void QtWidgetBinding::Invalidate()
{
    if (m_widget)
        m_widget->update();
}

namespace qtbind {

QColor ToQColor(TColor color)
{
    uint32_t rgb = ColorToRGB(color);
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

QFont ToQFont(const TFont& font)
{
    QFont f(ToQString(font.Name));
    if (font.Height < 0)
        f.setPixelSize(-font.Height);
    else if (font.Height > 0)
        f.setPixelSize(font.Height * 3 / 4 > 0 ? font.Height * 3 / 4 : 1);
    f.setBold(font.Style & fsBold);
    f.setItalic(font.Style & fsItalic);
    f.setUnderline(font.Style & fsUnderline);
    f.setStrikeOut(font.Style & fsStrikeOut);
    return f;
}

QString ToQString(const AnsiString& text)
{
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

AnsiString FromQString(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

QImage ToQImage(const TPicture* picture)
{
    if (!picture || !picture->HasImage())
        return {};
    HBITMAP handle = const_cast<TPicture*>(picture)->Bitmap()->Handle();
    uint32_t* bits = handle ? GdiBitmapBits(handle) : nullptr;
    if (!bits)
        return {};
    QImage view(reinterpret_cast<const uchar*>(bits), GdiBitmapWidth(handle), GdiBitmapHeight(handle),
        GdiBitmapStride(handle), QImage::Format_ARGB32_Premultiplied);
    // A picture is opaque; bitmaps that were never drawn on read as black.
    return view.convertToFormat(QImage::Format_RGB32);
}

}
