#pragma once
// Where the print routines put the scanned pages on the sheet. All values are
// printer device pixels; every division truncates toward zero.
struct TPrintPlacement {
    int Left { 0 };
    int Top { 0 };
    int Width { 0 };
    int Height { 0 };
    bool operator==(const TPrintPlacement&) const = default;
};

// The scale as printed: below 1 counts as 1, above 500 as 500.
int ClampPrintScale(int scale);

// One page scaled to scale percent of the printable area, centred on it.
TPrintPlacement OnePageLayout(int scale, int pageWidth, int pageHeight);

// Two pages side by side, each scaled to scale percent of its half of the
// printable area and centred in it; the right page starts half the width
// (truncated) to the right of the left one.
struct TTwoPageLayout {
    TPrintPlacement Left;
    TPrintPlacement Right;
};
TTwoPageLayout TwoPageLayout(int scale, int pageWidth, int pageHeight);
