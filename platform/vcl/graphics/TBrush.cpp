#include "platform/vcl/graphics/TBrush.h"

void TBrush::SetColor(TColor color)
{
    if (color == m_color && m_style == bsSolid)
        return;
    m_color = color;
    // Choosing a colour makes a clear brush solid again.
    m_style = bsSolid;
    ++m_revision;
}

void TBrush::SetStyle(TBrushStyle style)
{
    if (style == m_style)
        return;
    m_style = style;
    ++m_revision;
}

void TBrush::Assign(const TBrush& source)
{
    SetColor(source.m_color);
    SetStyle(source.m_style);
}
