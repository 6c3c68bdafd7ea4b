#pragma once
// The base of every control. It owns its state (bounds, visibility, enabled,
// caption, colour, font, hint, cursor); the native widget, when one exists,
// only mirrors it. Events from the widget come back through the Widget*
// notifications, which run the control's handlers.
#include "platform/rtl/TComponent.h"
#include "platform/vcl/forms/TFont.h"
#include "platform/vcl/forms/TScreen.h"
#include "platform/vcl/forms/TWidgetBinding.h"
#include "platform/vcl/graphics/TColor.h"
#include <memory>

class TWinControl;

enum TControlStyleFlag : unsigned { csAcceptsControls = 1, csOpaque = 2 };
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return m_parent; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return m_left; }
    int Top() const { return m_top; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void SetLeft(int left) { SetBounds(left, m_top, m_width, m_height); }
    void SetTop(int top) { SetBounds(m_left, top, m_width, m_height); }
    void SetWidth(int width) { SetBounds(m_left, m_top, width, m_height); }
    void SetHeight(int height) { SetBounds(m_left, m_top, m_width, height); }
    virtual void SetBounds(int left, int top, int width, int height);
    int ClientWidth() const { return m_width; }
    int ClientHeight() const { return m_height; }

    TAlign Align() const { return m_align; }
    void SetAlign(TAlign align);

    bool Visible() const { return m_visible; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }

    bool Enabled() const { return m_enabled; }
    virtual void SetEnabled(bool enabled);

    const AnsiString& Caption() const { return m_caption; }
    void SetCaption(const AnsiString& caption);

    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    bool ParentColor() const { return m_parentColor; }
    void SetParentColor(bool parentColor);

    const TFont& Font() const { return m_font; }
    void SetFont(const TFont& font);

    const AnsiString& Hint() const { return m_hint; }
    void SetHint(const AnsiString& hint);
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool show);

    TCursor Cursor() const { return m_cursor; }
    void SetCursor(TCursor cursor);

    unsigned ControlStyle() const { return m_controlStyle; }
    void SetControlStyle(unsigned style) { m_controlStyle = style; }

    // Redraws the native widget (if any) at the next chance.
    virtual void Invalidate();
    virtual void Repaint() { Invalidate(); }
    virtual void Refresh() { Repaint(); }

    // What a click does: runs OnClick. Buttons and check boxes call it from their widget.
    virtual void Click();

    TNotifyEvent OnClick;
    TNotifyEvent OnResize;

    // Native side, for the bindings.
    TWidgetBinding* Binding() const { return m_binding.get(); }
    bool HandleAllocated() const { return m_binding != nullptr; }
    // Creates the native widget (and those of the children) if the parent has one.
    virtual void CreateHandle();
    virtual void DestroyHandle();
    void WidgetClicked();
    void WidgetResized(int width, int height);

protected:
    // Makes this control's binding inside the parent's; the default picks the
    // toolkit's widget by the control's kind.
    virtual std::unique_ptr<TWidgetBinding> CreateWidgetBinding(TWidgetBinding* parent);
    // Hands the stored state to a new binding.
    virtual void ReplayState();
    virtual void Resize();

    // Runs a handler, showing what escapes it through the application's
    // exception display, as for any event from the window system.
    template<typename F>
    void Guarded(F&& f);

    std::unique_ptr<TWidgetBinding> m_binding;

private:
    void ApplyAlign();

    TWinControl* m_parent { nullptr };
    int m_left { 0 };
    int m_top { 0 };
    int m_width { 0 };
    int m_height { 0 };
    TAlign m_align { alNone };
    bool m_visible { true };
    bool m_enabled { true };
    AnsiString m_caption;
    TColor m_color { clBtnFace };
    bool m_parentColor { true };
    TFont m_font;
    AnsiString m_hint;
    bool m_showHint { false };
    TCursor m_cursor { crDefault };
    unsigned m_controlStyle { 0 };

    friend class TWinControl;
};

void GuardedCall(TObject* sender, const std::function<void()>& f);

template<typename F>
void TControl::Guarded(F&& f)
{
    GuardedCall(this, std::function<void()>(std::forward<F>(f)));
}
