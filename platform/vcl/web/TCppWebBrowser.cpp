#include "platform/vcl/web/TCppWebBrowser.h"
#include "platform/vcl/web/DocumentLoader.h"
#include "platform/vcl/web/HTMLDocument.h"
#include "platform/win/core/Messages.h"

namespace {
constexpr UINT WM_NAVIGATION_DONE = WM_APP + 0x57;

std::string variantBytes(const OleVariant* value)
{
    if (!value || value->IsOmitted())
        return {};
    if (value->Type() == VT_BSTR)
        return WideToUtf8(value->Text());
    if (value->Type() == (VT_ARRAY | VT_UI1))
        return value->ByteArray();
    return {};
}
}

TCppWebBrowser::TCppWebBrowser(TComponent* owner)
    : TComponent(owner)
{
    m_window = CreateMessageWindow([this](HWND, UINT message, WPARAM wParam, LPARAM) { return HandleMessage(message, wParam); });
}

TCppWebBrowser::~TCppWebBrowser()
{
    // The window goes first, so a result posted meanwhile is dropped unread.
    DestroyWindow(m_window);
    CancelWorkers();
    for (Worker& worker : m_workers)
        worker.thread.join();
}

void TCppWebBrowser::SetTimeout(int milliseconds)
{
    if (milliseconds < 1)
        milliseconds = 1;
    m_timeoutMs = milliseconds;
}

void TCppWebBrowser::Navigate(const WideString& URL, OleVariant*, OleVariant*, OleVariant* PostData, OleVariant* Headers)
{
    CancelWorkers();
    JoinFinishedWorkers();

    uint64_t navigation = ++m_navigation;
    m_readyState = READYSTATE_LOADING;

    FetchRequest request;
    request.url = Trim(WideToUtf8(URL));
    request.timeoutMs = m_timeoutMs;
    request.postData = variantBytes(PostData);
    request.headers = variantBytes(Headers);

    Worker worker;
    worker.cancel = std::make_shared<std::atomic<bool>>(false);
    worker.finished = std::make_shared<std::atomic<bool>>(false);
    HWND window = m_window;
    worker.thread = std::thread([this, request, navigation, window, cancel = worker.cancel, finished = worker.finished] {
        Outcome outcome;
        outcome.url = Utf8ToWide(request.url);
        try {
            FetchResult fetched = DocumentLoader::Fetch(request, *cancel);
            if (!cancel->load()) {
                outcome.url = Utf8ToWide(fetched.finalUrl);
                outcome.document = HTMLDocument::Load(fetched.body, fetched.contentType, fetched.finalUrl, cancel.get());
            }
        } catch (const EFetchError& e) {
            outcome.error = e.Message();
            outcome.statusCode = e.StatusCode();
        } catch (const Exception& e) {
            outcome.error = e.Message();
        } catch (const std::bad_alloc&) {
            outcome.error = "Not enough memory to load the document";
        }
        outcome.cancelled = cancel->load();
        {
            std::lock_guard lock(m_mutex);
            m_outcomes[navigation] = std::move(outcome);
        }
        finished->store(true);
        PostMessage(window, WM_NAVIGATION_DONE, static_cast<WPARAM>(navigation), 0);
    });
    m_workers.push_back(std::move(worker));
}

void TCppWebBrowser::Stop()
{
    if (m_readyState != READYSTATE_LOADING)
        return;
    CancelWorkers();
    ++m_navigation;  // whatever arrives now is stale
    m_readyState = m_document ? READYSTATE_COMPLETE : READYSTATE_UNINITIALIZED;
}

void TCppWebBrowser::CancelWorkers()
{
    for (Worker& worker : m_workers)
        worker.cancel->store(true);
}

void TCppWebBrowser::JoinFinishedWorkers()
{
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (it->finished->load()) {
            it->thread.join();
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
}

LRESULT TCppWebBrowser::HandleMessage(UINT message, WPARAM wParam)
{
    if (message != WM_NAVIGATION_DONE)
        return 0;
    Complete(static_cast<uint64_t>(wParam));
    return 0;
}

void TCppWebBrowser::Complete(uint64_t navigation)
{
    Outcome outcome;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_outcomes.find(navigation);
        if (it == m_outcomes.end())
            return;
        outcome = std::move(it->second);
        m_outcomes.erase(it);
    }
    JoinFinishedWorkers();
    if (navigation != m_navigation || outcome.cancelled)
        return;

    m_locationUrl = outcome.url;
    m_readyState = READYSTATE_COMPLETE;
    if (!outcome.error.empty()) {
        m_document.reset();
        m_lastError = outcome.error;
        if (OnNavigateError)
            OnNavigateError(this, outcome.url, outcome.statusCode, outcome.error);
        return;
    }
    m_document = std::move(outcome.document);
    m_lastError.clear();
    if (OnDocumentComplete)
        OnDocumentComplete(this, outcome.url);
}
