#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/forms/TForm.h"
#include "platform/vcl/forms/qt/QtRuntime.h"
#include "platform/win/core/Messages.h"

namespace {
int s_argc = 0;
char** s_argv = nullptr;
TApplication s_application;
}

TApplication* Application = &s_application;

TApplication::TApplication()
{
    m_handle = CreateMessageWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
}

TApplication::~TApplication()
{
    SetMessageWakeHook(nullptr);
}

void TApplication::SetArguments(int argc, char** argv)
{
    s_argc = argc;
    s_argv = argv;
}

void TApplication::Initialize()
{
    qtrt::EnsureApplication(s_argc, s_argv);
    // A post from any thread must wake a loop that sleeps in the toolkit.
    SetMessageWakeHook([] { qtrt::Wake(); });
    if (!m_title.empty())
        qtrt::SetApplicationName(m_title);
}

void TApplication::SetTitle(const AnsiString& title)
{
    if (m_title == title)
        return;
    m_title = title;
    if (qtrt::HasApplication())
        qtrt::SetApplicationName(m_title);
}

void TApplication::FormCreated(TForm* form)
{
    if (!m_mainForm)
        m_mainForm = form;
}

void TApplication::FormDestroyed(TForm* form)
{
    if (m_mainForm == form)
        m_mainForm = nullptr;
}

void TApplication::Run()
{
    if (m_mainForm && !m_mainForm->Visible())
        m_mainForm->Show();
    while (!Terminated()) {
        try {
            HandleMessage();
        } catch (...) {
            HandleException(this);
        }
    }
}

void TApplication::Terminate()
{
    m_terminated.store(true, std::memory_order_relaxed);
    qtrt::Wake();
}

void TApplication::ProcessMessage(MSG& msg)
{
    if (msg.message == WM_QUIT && !msg.hwnd) {
        Terminate();
        return;
    }
    bool handled = false;
    if (OnMessage)
        OnMessage(msg, handled);
    if (!handled)
        DispatchMessage(&msg);
}

void TApplication::PumpToolkit()
{
    m_lastToolkitPoll = qtrt::CoarseMilliseconds();
    qtrt::ProcessEvents();
}

void TApplication::ProcessMessages()
{
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
        ProcessMessage(msg);
    if (qtrt::CoarseMilliseconds() != m_lastToolkitPoll)
        PumpToolkit();
}

void TApplication::HandleMessage()
{
    MSG msg;
    if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ProcessMessage(msg);
        return;
    }
    PumpToolkit();
    if (MessagesPending() || Terminated())
        return;
    WaitMessage();
}

void TApplication::WaitMessage(int timeoutMs)
{
    if (MessagesPending() || Terminated())
        return;
    if (qtrt::HasApplication()) {
        // Toolkit events, timers and our own posts (through the wake hook) all
        // end this sleep.
        m_lastToolkitPoll = qtrt::CoarseMilliseconds();
        qtrt::WaitForEvents(timeoutMs);
    } else {
        WaitForMessage(timeoutMs);
    }
}

int TApplication::MessageBox(const AnsiString& text, const AnsiString& caption, UINT flags)
{
    if (m_messageBoxHook)
        return m_messageBoxHook(text, caption, flags);
    return qtrt::MessageBox(text, caption, flags);
}

void TApplication::ShowException(const Exception& e)
{
    AnsiString text = e.Message();
    if (!text.empty() && text.back() != '.')
        text += '.';
    MessageBox(text, m_title, MB_OK | MB_ICONSTOP);
}

void TApplication::HandleException(TObject* sender)
{
    try {
        throw;
    } catch (const Exception& e) {
        if (OnException)
            OnException(sender, e);
        else
            ShowException(e);
    } catch (const std::exception& e) {
        Exception wrapped(e.what());
        if (OnException)
            OnException(sender, wrapped);
        else
            ShowException(wrapped);
    }
}
