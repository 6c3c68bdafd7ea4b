#pragma once
// Looking at and preparing bitmaps in tests: single pixels through a memory
// context, a small screen-compatible bitmap, and a window that counts what
// the application's loop dispatches to it.
#include "platform/win/core/Messages.h"
#include "platform/win/gdi/WinGdi.h"

inline COLORREF PixelOf(HBITMAP bitmap, int x, int y)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return c;
}

inline void SetPixelOf(HBITMAP bitmap, int x, int y, COLORREF colour)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SetPixel(dc, x, y, colour);
    SelectObject(dc, old);
    DeleteDC(dc);
}

inline HBITMAP ScreenBitmap(int width, int height)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

class CountingWindow {
public:
    CountingWindow()
        : m_hwnd(CreateMessageWindow([this](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
            ++m_dispatched;
            return 0;
        }))
    {
    }
    ~CountingWindow() { DestroyWindow(m_hwnd); }
    CountingWindow(const CountingWindow&) = delete;
    CountingWindow& operator=(const CountingWindow&) = delete;

    HWND Handle() const { return m_hwnd; }
    int Dispatched() const { return m_dispatched; }

private:
    int m_dispatched { 0 };
    HWND m_hwnd;
};
