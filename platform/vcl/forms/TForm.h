#pragma once
// A top-level window. Closing asks OnCloseQuery first; closing the main form
// ends the application.
#include "platform/vcl/forms/TWinControl.h"
#include <functional>

class TButton;

enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
enum TPosition { poDesigned, poScreenCenter };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };

using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;
using TKeyEvent = std::function<void(TObject* sender, unsigned short& key, unsigned shift)>;

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    void SetClientSize(int width, int height) { SetBounds(Left(), Top(), width, height); }
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle style) { m_borderStyle = style; }
    unsigned BorderIcons() const { return m_borderIcons; }
    void SetBorderIcons(unsigned icons) { m_borderIcons = icons; }
    TPosition Position() const { return m_position; }
    void SetPosition(TPosition position) { m_position = position; }

    // Shows the window, creating the native widgets first; OnShow runs once
    // per showing, before the window appears.
    void Show();
    // Asks OnCloseQuery, then hides the window; the main form ends the application.
    void Close();
    bool CloseQuery();

    // The button that Enter presses: the first one inside with Default set.
    TButton* DefaultButton() const;

    TNotifyEvent OnShow;
    TNotifyEvent OnPaint;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnClose;
    // Keys the focused control did not take (Enter and Esc reach the form here).
    TKeyEvent OnKeyDown;

    // From the native window.
    void WidgetCloseRequested(bool& accept);
    void WidgetPainted();
    bool WidgetKeyPressed(unsigned short key, unsigned shift);

private:
    TBorderStyle m_borderStyle { bsSizeable };
    unsigned m_borderIcons { biSystemMenu | biMinimize | biMaximize };
    TPosition m_position { poDesigned };
    bool m_showing { false };
};

// Virtual key codes the forms library passes to key handlers.
constexpr unsigned short VK_BACK = 0x08;
constexpr unsigned short VK_TAB = 0x09;
constexpr unsigned short VK_RETURN = 0x0D;
constexpr unsigned short VK_SHIFT = 0x10;
constexpr unsigned short VK_CONTROL = 0x11;
constexpr unsigned short VK_MENU = 0x12;
constexpr unsigned short VK_ESCAPE = 0x1B;
constexpr unsigned short VK_SPACE = 0x20;
constexpr unsigned short VK_DELETE = 0x2E;
