#include "platform/vcl/forms/TScreen.h"
#include "platform/vcl/forms/qt/QtRuntime.h"

namespace {
TScreen s_screen;
}

TScreen* Screen = &s_screen;

void TScreen::SetCursor(TCursor cursor)
{
    if (m_cursor == cursor)
        return;
    m_cursor = cursor;
    qtrt::SetCursor(cursor);
}
