#include "platform/vcl/edit/TEdit.h"
#include "platform/rtl/LocaleText.h"
#include "platform/vcl/edit/qt/QtEditBinding.h"
#include <algorithm>

TEdit::TEdit(TComponent* owner)
    : TWinControl(owner)
{
    SetBounds(0, 0, 121, 21);
}

int TEdit::TextLength() const
{
    return static_cast<int>(AnsiCharCount(m_text));
}

void TEdit::SetText(const AnsiString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    // Like the native edit: new text leaves the caret at the start.
    m_selStart = 0;
    m_selLength = 0;
    if (TEditBinding* edit = EditBinding()) {
        m_binding->SetText(m_text);
        edit->SetSelection(0, 0);
    }
    Guarded([this] { Change(); });
}

int TEdit::SelStart() const
{
    return EditBinding() ? EditBinding()->SelStart() : m_selStart;
}

int TEdit::SelLength() const
{
    return EditBinding() ? EditBinding()->SelLength() : m_selLength;
}

void TEdit::SetSelStart(int start)
{
    m_selStart = std::clamp(start, 0, TextLength());
    m_selLength = 0;
    if (TEditBinding* edit = EditBinding())
        edit->SetSelection(m_selStart, 0);
}

void TEdit::SetSelLength(int length)
{
    m_selStart = SelStart();
    m_selLength = std::clamp(length, 0, TextLength() - m_selStart);
    if (TEditBinding* edit = EditBinding())
        edit->SetSelection(m_selStart, m_selLength);
}

AnsiString TEdit::SelText() const
{
    AnsiString head = AnsiLeftChars(m_text, static_cast<size_t>(SelStart()));
    AnsiString rest = m_text.substr(head.size());
    return AnsiLeftChars(rest, static_cast<size_t>(SelLength()));
}

void TEdit::SelectAll()
{
    m_selStart = 0;
    m_selLength = TextLength();
    if (TEditBinding* edit = EditBinding())
        edit->SetSelection(0, m_selLength);
}

void TEdit::SetMaxLength(int length)
{
    length = std::max(length, 0);
    if (m_maxLength == length)
        return;
    m_maxLength = length;
    if (TEditBinding* edit = EditBinding())
        edit->SetMaxLength(m_maxLength);
}

void TEdit::SetReadOnly(bool readOnly)
{
    if (m_readOnly == readOnly)
        return;
    m_readOnly = readOnly;
    if (TEditBinding* edit = EditBinding())
        edit->SetReadOnly(m_readOnly);
}

void TEdit::KeyDown(WORD& key, unsigned shift)
{
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void TEdit::KeyUp(WORD& key, unsigned shift)
{
    if (OnKeyUp)
        OnKeyUp(this, key, shift);
}

void TEdit::Change()
{
    if (OnChange)
        OnChange(this);
}

void TEdit::DoEnter()
{
    if (OnEnter)
        OnEnter(this);
}

void TEdit::DoExit()
{
    if (OnExit)
        OnExit(this);
}

bool TEdit::WidgetKeyDown(WORD key, unsigned shift)
{
    Guarded([&] { KeyDown(key, shift); });
    return key != 0;
}

void TEdit::WidgetKeyUp(WORD key, unsigned shift)
{
    Guarded([&] { KeyUp(key, shift); });
}

void TEdit::WidgetTextChanged(const AnsiString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    Guarded([this] { Change(); });
}

void TEdit::WidgetSelectionChanged(int start, int length)
{
    m_selStart = start;
    m_selLength = length;
}

void TEdit::WidgetEnter()
{
    Guarded([this] { DoEnter(); });
}

void TEdit::WidgetExit()
{
    Guarded([this] { DoExit(); });
}

std::unique_ptr<TWidgetBinding> TEdit::CreateWidgetBinding(TWidgetBinding* parent)
{
    auto binding = qtedit::CreateEditBinding(this, parent);
    m_editBinding = binding.edit;
    return std::move(binding.widget);
}

void TEdit::ReplayState()
{
    TWinControl::ReplayState();
    TEditBinding* binding = EditBinding();
    if (!binding)
        return;
    binding->SetMaxLength(m_maxLength);
    binding->SetReadOnly(m_readOnly);
    m_binding->SetText(m_text);
    binding->SetSelection(m_selStart, m_selLength);
}
