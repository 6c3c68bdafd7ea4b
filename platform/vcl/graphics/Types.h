#pragma once
// Points and rectangles of the class library. A rectangle's right and bottom
// edges are exclusive: Rect(0, 0, 10, 10) covers 10 by 10 pixels.
#include "platform/win/gdi/WinGdi.h"

struct TPoint {
    int X { 0 };
    int Y { 0 };

    constexpr TPoint() = default;
    constexpr TPoint(int x, int y) : X(x), Y(y) { }
    constexpr bool operator==(const TPoint&) const = default;
    operator POINT() const { return POINT { X, Y }; }
};

struct TRect {
    int Left { 0 };
    int Top { 0 };
    int Right { 0 };
    int Bottom { 0 };

    constexpr TRect() = default;
    constexpr TRect(int left, int top, int right, int bottom) : Left(left), Top(top), Right(right), Bottom(bottom) { }
    constexpr TRect(const TPoint& topLeft, const TPoint& bottomRight)
        : Left(topLeft.X), Top(topLeft.Y), Right(bottomRight.X), Bottom(bottomRight.Y) { }
    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr TPoint TopLeft() const { return TPoint(Left, Top); }
    constexpr TPoint BottomRight() const { return TPoint(Right, Bottom); }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(const TPoint& p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
    constexpr bool operator==(const TRect&) const = default;
    operator RECT() const { return RECT { Left, Top, Right, Bottom }; }
};

constexpr TPoint Point(int x, int y) { return TPoint(x, y); }
constexpr TRect Rect(int left, int top, int right, int bottom) { return TRect(left, top, right, bottom); }
constexpr TRect Bounds(int left, int top, int width, int height) { return TRect(left, top, left + width, top + height); }
