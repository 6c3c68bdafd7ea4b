#pragma once
// A shown window with edits and a button, for tests that drive edit controls
// with keys and clicks sent through the window system, so the focus is routed
// the way a user's input is.
#include "platform/vcl/edit/TEdit.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/forms/TButton.h"
#include "platform/vcl/forms/TForm.h"
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <QWindow>

inline QWidget* NativeOf(const TControl* control)
{
    return control->Binding() ? static_cast<QWidget*>(control->Binding()->NativeWidget()) : nullptr;
}

// A form holding an edit of type E, a second plain edit after it in the tab
// order, and a button.
template<typename E>
class EditTestWindow {
public:
    EditTestWindow()
        : m_form(new TForm(nullptr))
        , m_edit(new E(m_form))
    {
        m_form->SetBounds(100, 100, 300, 120);
        m_edit->SetParent(m_form);
        m_edit->SetBounds(10, 10, 200, 22);
        m_other = new TEdit(m_form);
        m_other->SetParent(m_form);
        m_other->SetBounds(10, 40, 200, 22);
        m_button = new TButton(m_form);
        m_button->SetParent(m_form);
        m_button->SetBounds(10, 70, 80, 25);
        m_button->SetCaption("OK");
    }

    ~EditTestWindow() { delete m_form; }

    // Shows the window and puts the focus into the edit; false when the
    // window system did not activate it.
    bool ShowAndFocus()
    {
        m_form->Show();
        QWidget* window = NativeOf(m_form);
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window))
            return false;
        m_edit->SetFocus();
        QApplication::processEvents();
        return m_edit->Focused();
    }

    E* Edit() const { return m_edit; }
    QWindow* Window() const { return NativeOf(m_form)->windowHandle(); }
    QLineEdit* EditWidget() const { return static_cast<QLineEdit*>(NativeOf(m_edit)); }
    TEdit* Other() const { return m_other; }
    TButton* Button() const { return m_button; }

    // Types text key by key; each character is pressed and released.
    void Type(const QString& text) const
    {
        for (QChar ch : text) {
            QChar upper = ch.toUpper();
            int key = upper.unicode();
            QTest::sendKeyEvent(QTest::Press, Window(), Qt::Key(key), QString(ch), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, Window(), Qt::Key(key), QString(ch), Qt::NoModifier);
        }
    }

    void Click(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        QTest::keyClick(Window(), key, modifiers);
    }

private:
    TForm* m_form;
    E* m_edit;
    TEdit* m_other { nullptr };
    TButton* m_button { nullptr };
};

// Starts the application object once per test program.
inline void StartApplication(int argc, char** argv)
{
    TApplication::SetArguments(argc, argv);
    Application->Initialize();
}
