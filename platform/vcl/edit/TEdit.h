#pragma once
// The single-line edit control. The control owns the text and the selection;
// the native line edit reports the user's changes back through the Widget*
// notifications, which run the key, change and focus handlers.
#include "platform/vcl/edit/TEditBinding.h"
#include "platform/vcl/forms/TForm.h"
#include "platform/vcl/forms/TWinControl.h"
#include "platform/win/core/Windows.h"

class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* owner = nullptr);

    const AnsiString& Text() const { return m_text; }
    void SetText(const AnsiString& text);

    // The selection, in characters from the start of the text. Setting the
    // start puts the caret there with nothing selected; setting the length
    // selects from the start.
    int SelStart() const;
    void SetSelStart(int start);
    int SelLength() const;
    void SetSelLength(int length);
    AnsiString SelText() const;
    void SelectAll();

    // 0: no limit.
    int MaxLength() const { return m_maxLength; }
    void SetMaxLength(int length);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);

    TNotifyEvent OnChange;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;

    // From the native line edit. WidgetKeyDown answers whether the widget
    // should still handle the key (a handler may swallow it by zeroing it).
    bool WidgetKeyDown(WORD key, unsigned shift);
    void WidgetKeyUp(WORD key, unsigned shift);
    void WidgetTextChanged(const AnsiString& text);
    void WidgetSelectionChanged(int start, int length);
    void WidgetEnter();
    void WidgetExit();

protected:
    // The key and focus handlers; each runs its event.
    virtual void KeyDown(WORD& key, unsigned shift);
    virtual void KeyUp(WORD& key, unsigned shift);
    virtual void Change();
    virtual void DoEnter();
    virtual void DoExit();

    std::unique_ptr<TWidgetBinding> CreateWidgetBinding(TWidgetBinding* parent) override;
    void ReplayState() override;

private:
    // The edit side of the binding, present while the native widget exists.
    TEditBinding* EditBinding() const { return m_binding ? m_editBinding : nullptr; }
    int TextLength() const;

    TEditBinding* m_editBinding { nullptr };
    AnsiString m_text;
    int m_selStart { 0 };
    int m_selLength { 0 };
    int m_maxLength { 0 };
    bool m_readOnly { false };
};
