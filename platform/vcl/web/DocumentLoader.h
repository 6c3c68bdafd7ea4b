#pragma once
// Fetches the bytes of a document, blocking (the browser calls it on a
// worker thread): file: URLs and absolute paths from the disk, http: and
// https: through libcurl, about:blank as an empty page. Bounds: at most
// HTMLParser::MaxDocumentBytes, redirects only to http and https (at most
// MaxRedirects), the whole transfer within the timeout. Failures raise
// EWebBrowserError with a message for the user and, for an HTTP error, the
// status code.
#include "platform/vcl/web/EWebBrowserError.h"
#include <atomic>
#include <string>

struct FetchRequest {
    std::string url;
    int timeoutMs { 30000 };
    std::string postData;        // a POST when not empty
    std::string headers;         // extra request headers, one "Name: value" a line
};

struct FetchResult {
    std::string body;
    std::string contentType;     // "" for local files other than .txt
    std::string finalUrl;        // after redirects
};

class EFetchError : public EWebBrowserError {
public:
    EFetchError(const AnsiString& message, int statusCode = 0) : EWebBrowserError(message), m_statusCode(statusCode) { }
    int StatusCode() const { return m_statusCode; }

private:
    int m_statusCode;
};

class DocumentLoader {
public:
    static constexpr int MaxRedirects = 10;
    static constexpr int MaxConnectMs = 10000;

    // cancel, once set, ends the transfer early; the result is then empty.
    static FetchResult Fetch(const FetchRequest& request, const std::atomic<bool>& cancel);

    // The local path of a file: URL ("file:///tmp/a%20b.html" -> "/tmp/a b.html"),
    // or "" when it names another host or is not a file: URL.
    static std::string FilePath(const std::string& url);
};
