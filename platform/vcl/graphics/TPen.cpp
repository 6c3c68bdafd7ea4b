#include "platform/vcl/graphics/TPen.h"

void TPen::SetColor(TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    ++m_revision;
}

void TPen::SetWidth(int width)
{
    if (width < 1)
        width = 1;
    if (width == m_width)
        return;
    m_width = width;
    ++m_revision;
}

void TPen::SetStyle(TPenStyle style)
{
    if (style == m_style)
        return;
    m_style = style;
    ++m_revision;
}

void TPen::Assign(const TPen& source)
{
    SetColor(source.m_color);
    SetWidth(source.m_width);
    SetStyle(source.m_style);
}
