#include "platform/vcl/edit/qt/QtEditBinding.h"
#include "platform/vcl/edit/TEdit.h"
#include "platform/vcl/edit/TEditBinding.h"
#include "platform/vcl/forms/qt/QtWidgetBinding.h"
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QPointer>
#include <QSignalBlocker>

namespace qtedit {

namespace {

QString ToQt(const AnsiString& text)
{
    return qtbind::ToQString(text);
}

AnsiString FromQt(const QString& text)
{
    return qtbind::FromQString(text);
}

// The control counts characters; QString counts UTF-16 units, two for a
// character outside the basic plane.
int UnitsToChars(const QString& text, int units)
{
    int chars = 0;
    for (int i = 0; i < units && i < text.size(); ++i, ++chars) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
    }
    return chars;
}

int CharsToUnits(const QString& text, int chars)
{
    int i = 0;
    for (int n = 0; n < chars && i < text.size(); ++n) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        ++i;
    }
    return i;
}

bool IsFocusMove(Qt::FocusReason reason)
{
    // Another window or a popup menu taking the keyboard is not the user
    // leaving the edit for another control of the window.
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

class LineEdit : public QLineEdit {
public:
    LineEdit(TEdit* control, QWidget* parent)
        : QLineEdit(parent)
        , m_control(control)
    {
        connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
            if (m_control)
                m_control->WidgetTextChanged(FromQt(text));
        });
        connect(this, &QLineEdit::selectionChanged, this, &LineEdit::ReportSelection);
        connect(this, &QLineEdit::cursorPositionChanged, this, &LineEdit::ReportSelection);
    }

    void Detach() { m_control = nullptr; }

    int SelStartChars() const
    {
        int units = hasSelectedText() ? selectionStart() : cursorPosition();
        return UnitsToChars(text(), units);
    }

    int SelLengthChars() const
    {
        if (!hasSelectedText())
            return 0;
        int start = selectionStart();
        return UnitsToChars(text(), start + selectionLength()) - UnitsToChars(text(), start);
    }

protected:
    bool event(QEvent* e) override
    {
        // Tab and Backtab never reach keyPressEvent (the widget moves the
        // focus first), but the key handler must see them like any key.
        if (e->type() == QEvent::KeyPress && m_control) {
            auto* k = static_cast<QKeyEvent*>(e);
            QPointer<LineEdit> self(this);
            bool pass = m_control->WidgetKeyDown(VirtualKeyOf(k->key(), k->modifiers()), ShiftStateOf(k->modifiers()));
            if (!self)
                return true;
            if (!pass) {
                k->accept();
                return true;
            }
        }
        return QLineEdit::event(e);
    }

    void keyReleaseEvent(QKeyEvent* k) override
    {
        QLineEdit::keyReleaseEvent(k);
        // The window system repeats presses, not releases: one release per key.
        if (k->isAutoRepeat() || !m_control)
            return;
        m_control->WidgetKeyUp(VirtualKeyOf(k->key(), k->modifiers()), ShiftStateOf(k->modifiers()));
    }

    void focusInEvent(QFocusEvent* e) override
    {
        QLineEdit::focusInEvent(e);
        if (m_control && IsFocusMove(e->reason()))
            m_control->WidgetEnter();
    }

    void focusOutEvent(QFocusEvent* e) override
    {
        QLineEdit::focusOutEvent(e);
        if (m_control && IsFocusMove(e->reason()))
            m_control->WidgetExit();
    }

private:
    void ReportSelection()
    {
        if (m_control)
            m_control->WidgetSelectionChanged(SelStartChars(), SelLengthChars());
    }

    TEdit* m_control;
};

class EditBinding : public QtWidgetBinding, public TEditBinding {
public:
    EditBinding(TEdit* control, QWidget* parent)
        : QtWidgetBinding(*control, new LineEdit(control, parent))
    {
    }

    ~EditBinding() override
    {
        // The widget may outlive this binding for a moment inside its parent's
        // teardown; it must not report to a control that is going away.
        if (LineEdit* edit = Edit())
            edit->Detach();
    }

    void SetText(const AnsiString& text) override
    {
        // The control already holds the text: no echo back into it.
        LineEdit* edit = Edit();
        if (!edit)
            return;
        QSignalBlocker block(edit);
        edit->setText(ToQt(text));
    }

    void SetColor(TColor color, bool parentColor) override
    {
        // An edit's colour is the colour of its text field.
        LineEdit* edit = Edit();
        if (!edit || parentColor)
            return;
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, qtbind::ToQColor(color));
        edit->setPalette(palette);
    }

    void SetFont(const TFont& font) override
    {
        QtWidgetBinding::SetFont(font);
        if (LineEdit* edit = Edit()) {
            QPalette palette = edit->palette();
            palette.setColor(QPalette::Text, qtbind::ToQColor(font.Color));
            edit->setPalette(palette);
        }
    }

    int SelStart() const override { return Edit() ? Edit()->SelStartChars() : 0; }
    int SelLength() const override { return Edit() ? Edit()->SelLengthChars() : 0; }

    void SetSelection(int start, int length) override
    {
        LineEdit* edit = Edit();
        if (!edit)
            return;
        QSignalBlocker block(edit);
        QString text = edit->text();
        int from = CharsToUnits(text, start);
        int to = CharsToUnits(text, start + length);
        if (to > from)
            edit->setSelection(from, to - from);
        else
            edit->setCursorPosition(from);
    }

    void SetMaxLength(int length) override
    {
        if (LineEdit* edit = Edit())
            edit->setMaxLength(length > 0 ? length : 32767);
    }

    void SetReadOnly(bool readOnly) override
    {
        if (LineEdit* edit = Edit())
            edit->setReadOnly(readOnly);
    }

private:
    LineEdit* Edit() const { return static_cast<LineEdit*>(m_widget.data()); }
};

}

EditBindingParts CreateEditBinding(TEdit* control, TWidgetBinding* parent)
{
    // An edit lives inside a window; without one there is nothing to create.
    QWidget* parentWidget = QtWidgetBinding::ParentWidget(parent);
    if (!parentWidget)
        return {};
    auto binding = std::make_unique<EditBinding>(control, parentWidget);
    EditBindingParts parts;
    parts.edit = binding.get();
    parts.widget = std::move(binding);
    return parts;
}

unsigned ShiftStateOf(unsigned qtModifiers)
{
    unsigned shift = 0;
    if (qtModifiers & Qt::ShiftModifier)
        shift |= 1;
    if (qtModifiers & Qt::AltModifier)
        shift |= 2;
    if (qtModifiers & Qt::ControlModifier)
        shift |= 4;
    return shift;
}

unsigned short VirtualKeyOf(int qtKey, unsigned qtModifiers)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return static_cast<unsigned short>((qtModifiers & Qt::KeypadModifier) ? 0x60 + (qtKey - Qt::Key_0) : qtKey);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return static_cast<unsigned short>(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return static_cast<unsigned short>(0x70 + (qtKey - Qt::Key_F1));
    switch (qtKey) {
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 0x09;
    case Qt::Key_Clear: return 0x0C;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 0x0D;
    case Qt::Key_Shift: return 0x10;
    case Qt::Key_Control: return 0x11;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return 0x12;
    case Qt::Key_Pause: return 0x13;
    case Qt::Key_CapsLock: return 0x14;
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Select: return 0x29;
    case Qt::Key_Printer: return 0x2A;
    case Qt::Key_Execute: return 0x2B;
    case Qt::Key_Print: return 0x2C;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return 0x2E;
    case Qt::Key_Meta:
    case Qt::Key_Super_L: return 0x5B;
    case Qt::Key_Super_R: return 0x5C;
    case Qt::Key_Menu: return 0x5D;
    case Qt::Key_NumLock: return 0x90;
    case Qt::Key_ScrollLock: return 0x91;
    // Symbol keys by their place on a US keyboard, shifted or not.
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_Asterisk: return (qtModifiers & Qt::KeypadModifier) ? 0x6A : '8';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return 0xBA;
    case Qt::Key_Equal: return 0xBB;
    case Qt::Key_Plus: return (qtModifiers & Qt::KeypadModifier) ? 0x6B : 0xBB;
    case Qt::Key_Comma:
    case Qt::Key_Less: return 0xBC;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return (qtModifiers & Qt::KeypadModifier) ? 0x6D : 0xBD;
    case Qt::Key_Period:
    case Qt::Key_Greater: return (qtModifiers & Qt::KeypadModifier) ? 0x6E : 0xBE;
    case Qt::Key_Slash: return (qtModifiers & Qt::KeypadModifier) ? 0x6F : 0xBF;
    case Qt::Key_Question: return 0xBF;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return 0xC0;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return 0xDB;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return 0xDC;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return 0xDD;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return 0xDE;
    default:
        // Letters beyond ASCII and whatever else types a character: one of
        // the keyboard's extra keys.
        return 0xDF;
    }
}

}
