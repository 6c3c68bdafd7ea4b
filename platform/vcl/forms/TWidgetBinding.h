#pragma once
// The interface between a control and its native widget. A control owns its
// state; when a native widget exists, the control's setters forward through
// this interface, and a new binding is handed the stored state to replay.
// Implementations live in platform/vcl/*/qt and are the only code that touches
// the toolkit. No toolkit type appears here.
#include "platform/rtl/AnsiString.h"
#include "platform/vcl/forms/TFont.h"
#include "platform/vcl/graphics/TColor.h"

class TPicture;

class TWidgetBinding {
public:
    virtual ~TWidgetBinding() = default;

    // The native widget (a QWidget*), so children can be created inside it.
    virtual void* NativeWidget() const = 0;

    virtual void SetBounds(int left, int top, int width, int height) = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual void SetText(const AnsiString& text) { }
    virtual void SetColor(TColor color, bool parentColor) { }
    virtual void SetFont(const TFont& font) { }
    virtual void SetHint(const AnsiString& hint, bool show) { }
    virtual void SetCursor(int cursor) { }
    virtual bool Focused() const { return false; }
    virtual void SetFocus() { }
    virtual void Invalidate() { }

    virtual void SetChecked(bool checked) { }
    virtual void SetRange(int min, int max) { }
    virtual void SetPosition(int position) { }
    virtual void SetActivePage(int index) { }
    virtual void SetPicture(const TPicture* picture, bool stretch) { }
    virtual void SetDefault(bool isDefault) { }
    virtual void SetBevel(int outer, int inner) { }
};
