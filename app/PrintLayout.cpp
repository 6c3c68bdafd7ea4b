#include "app/PrintLayout.h"
#include <cstdint>

namespace {

// s * size / 100 in 64 bits: no overflow for any printable size.
int Percent(int scale, int size)
{
    return static_cast<int>(static_cast<int64_t>(scale) * size / 100);
}

} // namespace

int ClampPrintScale(int scale)
{
    if (scale < 1)
        return 1;
    if (scale > 500)
        return 500;
    return scale;
}

TPrintPlacement OnePageLayout(int scale, int pageWidth, int pageHeight)
{
    int s = ClampPrintScale(scale);
    TPrintPlacement p;
    p.Width = Percent(s, pageWidth);
    p.Height = Percent(s, pageHeight);
    p.Top = (pageHeight - p.Height) / 2;
    p.Left = (pageWidth - p.Width) / 2;
    return p;
}

TTwoPageLayout TwoPageLayout(int scale, int pageWidth, int pageHeight)
{
    int s = ClampPrintScale(scale);
    int half = pageWidth / 2;
    TTwoPageLayout layout;
    layout.Left.Width = layout.Right.Width = Percent(s, half);
    layout.Left.Height = layout.Right.Height = Percent(s, pageHeight);
    layout.Left.Top = layout.Right.Top = (pageHeight - layout.Left.Height) / 2;
    layout.Left.Left = (half - layout.Left.Width) / 2;
    layout.Right.Left = layout.Left.Left + half;
    return layout;
}
