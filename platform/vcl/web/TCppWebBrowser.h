#pragma once
// The web browser control: navigates to file:, http: and https: addresses
// (and about:blank) and holds the loaded document. Navigation never blocks
// the message loop: the transfer and the parse run on a worker thread, and
// the result arrives through a posted message, which the application's loop
// dispatches on the user-interface thread; only then do Document,
// LocationURL and ReadyState change and the events fire. A navigation
// started while another runs supersedes it. Nothing is drawn: the control
// stands in for the browser's document side.
#include "platform/rtl/TComponent.h"
#include "platform/vcl/web/IHTMLDocument2.h"
#include "platform/vcl/web/OleVariant.h"
#include "platform/win/core/Windows.h"
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

enum READYSTATE {
    READYSTATE_UNINITIALIZED = 0,
    READYSTATE_LOADING = 1,
    READYSTATE_LOADED = 2,
    READYSTATE_INTERACTIVE = 3,
    READYSTATE_COMPLETE = 4,
};

using TWebDocumentCompleteEvent = std::function<void(TObject* sender, const WideString& url)>;
// statusCode: the server's HTTP status when it answered with an error, else 0.
using TWebNavigateErrorEvent = std::function<void(TObject* sender, const WideString& url, int statusCode, const AnsiString& message)>;

class TCppWebBrowser : public TComponent {
public:
    explicit TCppWebBrowser(TComponent* owner = nullptr);
    ~TCppWebBrowser() override;

    // Starts loading url and returns at once. Flags and TargetFrameName are
    // accepted and have no effect (one frame, no history); PostData (text or
    // bytes) makes an http request a POST; Headers adds request headers.
    // Null or omitted arguments are left out.
    void Navigate(const WideString& URL, OleVariant* Flags = nullptr, OleVariant* TargetFrameName = nullptr,
        OleVariant* PostData = nullptr, OleVariant* Headers = nullptr);
    // Abandons a navigation in progress; the current document stays.
    void Stop();

    // The loaded document (an object answering IHTMLDocument2), or null
    // before the first navigation completes and after one that failed.
    std::shared_ptr<IDispatch> Document() const { return m_document; }
    WideString LocationURL() const { return m_locationUrl; }
    READYSTATE ReadyState() const { return m_readyState; }
    bool Busy() const { return m_readyState == READYSTATE_LOADING; }
    // Why the last navigation failed ("" after a success).
    const AnsiString& LastError() const { return m_lastError; }

    // The time a whole transfer may take, in milliseconds.
    int Timeout() const { return m_timeoutMs; }
    void SetTimeout(int milliseconds);

    TWebDocumentCompleteEvent OnDocumentComplete;
    TWebNavigateErrorEvent OnNavigateError;

private:
    struct Outcome {
        WideString url;
        std::shared_ptr<IDispatch> document;
        AnsiString error;
        int statusCode { 0 };
        bool cancelled { false };
    };
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> cancel;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    LRESULT HandleMessage(UINT message, WPARAM wParam);
    void Complete(uint64_t navigation);
    void CancelWorkers();
    void JoinFinishedWorkers();

    HWND m_window { nullptr };
    std::shared_ptr<IDispatch> m_document;
    WideString m_locationUrl;
    READYSTATE m_readyState { READYSTATE_UNINITIALIZED };
    AnsiString m_lastError;
    int m_timeoutMs { 30000 };

    uint64_t m_navigation { 0 };  // the navigation whose result counts
    std::vector<Worker> m_workers;
    std::mutex m_mutex;           // guards m_outcomes (workers write it)
    std::map<uint64_t, Outcome> m_outcomes;
};
