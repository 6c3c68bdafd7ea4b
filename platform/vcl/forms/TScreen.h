#pragma once
// The screen object: the one cursor shown over the whole application.
#include "platform/rtl/TComponent.h"

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHandPoint = -21;

class TScreen : public TComponent {
public:
    TCursor Cursor() const { return m_cursor; }
    void SetCursor(TCursor cursor);

private:
    TCursor m_cursor { crDefault };
};

extern TScreen* Screen;
