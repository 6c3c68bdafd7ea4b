#include "platform/vcl/forms/TControl.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/forms/TWinControl.h"
#include "platform/vcl/forms/qt/QtBindings.h"

void GuardedCall(TObject* sender, const std::function<void()>& f)
{
    try {
        f();
    } catch (...) {
        Application->HandleException(sender);
    }
}

TControl::TControl(TComponent* owner)
    : TComponent(owner)
{
}

TControl::~TControl()
{
    DestroyHandle();
    if (m_parent)
        m_parent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent)
{
    if (m_parent == parent)
        return;
    DestroyHandle();
    if (m_parent)
        m_parent->RemoveControl(this);
    m_parent = parent;
    if (m_parent) {
        m_parent->InsertControl(this);
        ApplyAlign();
        if (m_parent->HandleAllocated())
            CreateHandle();
    }
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    if (width < 0)
        width = 0;
    if (height < 0)
        height = 0;
    if (left == m_left && top == m_top && width == m_width && height == m_height)
        return;
    bool resized = width != m_width || height != m_height;
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    if (m_binding)
        m_binding->SetBounds(m_left, m_top, m_width, m_height);
    if (resized)
        Resize();
}

void TControl::SetAlign(TAlign align)
{
    if (m_align == align)
        return;
    m_align = align;
    ApplyAlign();
}

void TControl::ApplyAlign()
{
    if (m_align == alClient && m_parent)
        SetBounds(0, 0, m_parent->ClientWidth(), m_parent->ClientHeight());
}

void TControl::Resize()
{
    if (OnResize)
        OnResize(this);
}

void TControl::SetVisible(bool visible)
{
    if (m_visible == visible)
        return;
    m_visible = visible;
    if (m_binding)
        m_binding->SetVisible(m_visible);
}

void TControl::SetEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    if (m_binding)
        m_binding->SetEnabled(m_enabled);
}

void TControl::SetCaption(const AnsiString& caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    if (m_binding)
        m_binding->SetText(m_caption);
}

void TControl::SetColor(TColor color)
{
    m_parentColor = false;
    if (m_color == color)
        return;
    m_color = color;
    if (m_binding)
        m_binding->SetColor(m_color, m_parentColor);
}

void TControl::SetParentColor(bool parentColor)
{
    if (m_parentColor == parentColor)
        return;
    m_parentColor = parentColor;
    if (m_binding)
        m_binding->SetColor(m_color, m_parentColor);
}

void TControl::SetFont(const TFont& font)
{
    if (m_font == font)
        return;
    m_font = font;
    if (m_binding)
        m_binding->SetFont(m_font);
}

void TControl::SetHint(const AnsiString& hint)
{
    if (m_hint == hint)
        return;
    m_hint = hint;
    if (m_binding)
        m_binding->SetHint(m_hint, m_showHint);
}

void TControl::SetShowHint(bool show)
{
    if (m_showHint == show)
        return;
    m_showHint = show;
    if (m_binding)
        m_binding->SetHint(m_hint, m_showHint);
}

void TControl::SetCursor(TCursor cursor)
{
    if (m_cursor == cursor)
        return;
    m_cursor = cursor;
    if (m_binding)
        m_binding->SetCursor(m_cursor);
}

void TControl::Invalidate()
{
    if (m_binding)
        m_binding->Invalidate();
}

void TControl::Click()
{
    if (OnClick)
        OnClick(this);
}

void TControl::WidgetClicked()
{
    Guarded([this] { Click(); });
}

void TControl::WidgetResized(int width, int height)
{
    // The window system resized us (a top-level window, say): take its size.
    if (width == m_width && height == m_height)
        return;
    m_width = width;
    m_height = height;
    Guarded([this] { Resize(); });
}

std::unique_ptr<TWidgetBinding> TControl::CreateWidgetBinding(TWidgetBinding* parent)
{
    return qtbind::CreateBinding(this, parent);
}

void TControl::CreateHandle()
{
    if (m_binding)
        return;
    TWidgetBinding* parentBinding = m_parent ? m_parent->Binding() : nullptr;
    m_binding = CreateWidgetBinding(parentBinding);
    if (m_binding)
        ReplayState();
}

void TControl::DestroyHandle()
{
    m_binding.reset();
}

void TControl::ReplayState()
{
    m_binding->SetBounds(m_left, m_top, m_width, m_height);
    m_binding->SetText(m_caption);
    m_binding->SetColor(m_color, m_parentColor);
    m_binding->SetFont(m_font);
    m_binding->SetHint(m_hint, m_showHint);
    m_binding->SetCursor(m_cursor);
    m_binding->SetEnabled(m_enabled);
    m_binding->SetVisible(m_visible);
}
