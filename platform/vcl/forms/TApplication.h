#pragma once
// The application object: the message loop of the one user-interface thread.
// Our own queue (platform/win/core) and the toolkit's events are pumped
// together. ProcessMessages is cheap when nothing is pending: the toolkit is
// polled at most once a millisecond, or at once when something woke it.
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TComponent.h"
#include "platform/win/core/Windows.h"
#include <atomic>
#include <cstdint>
#include <functional>

class TForm;

constexpr UINT MB_OK = 0x00;
constexpr UINT MB_OKCANCEL = 0x01;
constexpr UINT MB_ABORTRETRYIGNORE = 0x02;
constexpr UINT MB_YESNOCANCEL = 0x03;
constexpr UINT MB_YESNO = 0x04;
constexpr UINT MB_RETRYCANCEL = 0x05;
constexpr UINT MB_ICONSTOP = 0x10;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

using TMessageEvent = std::function<void(MSG& msg, bool& handled)>;
using TExceptionEvent = std::function<void(TObject* sender, const Exception& e)>;
// Answers message boxes without showing one (tests, scripted runs).
using TMessageBoxHook = std::function<int(const AnsiString& text, const AnsiString& caption, UINT flags)>;

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    // Creates the toolkit's application object (once) from the saved arguments.
    void Initialize();
    static void SetArguments(int argc, char** argv);

    const AnsiString& Title() const { return m_title; }
    void SetTitle(const AnsiString& title);

    // Creates a form owned by the application; the first one is the main form.
    template<typename T>
    void CreateForm(T*& reference)
    {
        reference = new T(this);
        FormCreated(reference);
    }
    TForm* MainForm() const { return m_mainForm; }

    // Runs the loop until Terminate (or the main form closes).
    void Run();
    void Terminate();
    bool Terminated() const { return m_terminated.load(std::memory_order_relaxed); }
    // Clears the terminated state (tests that run several loops in one process).
    void ResetTerminated() { m_terminated = false; }

    // Handles every pending message and returns. Errors of the message filter
    // propagate to the caller; errors of event handlers are shown.
    void ProcessMessages();
    // Handles pending messages, or sleeps until one arrives (a posted message,
    // a timer, input) and handles that.
    void HandleMessage();
    // Sleeps until something arrives or timeoutMs passes; handles nothing itself.
    void WaitMessage(int timeoutMs = -1);

    // The application-wide message filter: sees each fetched message before dispatch.
    TMessageEvent OnMessage;
    TExceptionEvent OnException;

    int MessageBox(const AnsiString& text, const AnsiString& caption, UINT flags = MB_OK);
    void SetMessageBoxHook(TMessageBoxHook hook) { m_messageBoxHook = std::move(hook); }
    void ShowException(const Exception& e);
    // Shows the exception being handled (call from a catch block).
    void HandleException(TObject* sender);

    // A nonzero window handle that identifies the application.
    HWND Handle() const { return m_handle; }

    // Called by TForm when a form is destroyed.
    void FormDestroyed(TForm* form);

private:
    void FormCreated(TForm* form);
    void ProcessMessage(MSG& msg);
    void PumpToolkit();

    AnsiString m_title;
    TForm* m_mainForm { nullptr };
    std::atomic<bool> m_terminated { false };
    HWND m_handle { nullptr };
    int64_t m_lastToolkitPoll { 0 };
    TMessageBoxHook m_messageBoxHook;
};

extern TApplication* Application;
