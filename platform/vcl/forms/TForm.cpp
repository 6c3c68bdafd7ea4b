#include "platform/vcl/forms/TForm.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/forms/TButton.h"

TForm::TForm(TComponent* owner)
    : TWinControl(owner)
{
    SetVisible(false);
    SetParentColor(false);
}

TForm::~TForm()
{
    // Owned components go while the window still exists, as they may refer to it.
    DestroyComponents();
    if (Application)
        Application->FormDestroyed(this);
}

void TForm::Show()
{
    CreateHandle();
    if (Visible() && m_showing)
        return;
    m_showing = true;
    if (OnShow)
        Guarded([this] { OnShow(this); });
    SetVisible(true);
}

bool TForm::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    return canClose;
}

void TForm::Close()
{
    if (!CloseQuery())
        return;
    SetVisible(false);
    m_showing = false;
    if (OnClose)
        OnClose(this);
    if (Application && Application->MainForm() == this)
        Application->Terminate();
}

void TForm::WidgetCloseRequested(bool& accept)
{
    accept = false;
    Guarded([this] { Close(); });
    accept = !Visible();
}

void TForm::WidgetPainted()
{
    if (OnPaint)
        Guarded([this] { OnPaint(this); });
}

bool TForm::WidgetKeyPressed(unsigned short key, unsigned shift)
{
    unsigned short k = key;
    if (OnKeyDown)
        Guarded([&] { OnKeyDown(this, k, shift); });
    if (k == 0)
        return true;
    TButton* button = k == VK_RETURN ? DefaultButton() : nullptr;
    if (button && button->CanFocus()) {
        button->WidgetClicked();
        return true;
    }
    return false;
}

static TButton* findDefault(const TWinControl* parent)
{
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (auto* button = dynamic_cast<TButton*>(c); button && button->Default())
            return button;
        if (auto* container = dynamic_cast<TWinControl*>(c))
            if (TButton* inner = findDefault(container))
                return inner;
    }
    return nullptr;
}

TButton* TForm::DefaultButton() const
{
    return findDefault(this);
}
