#include "platform/vcl/web/DocumentLoader.h"
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/web/HTMLParser.h"
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <curl/curl.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool startsWithNoCase(const std::string& text, std::string_view prefix)
{
    return text.size() >= prefix.size() && SameText(std::string_view(text).substr(0, prefix.size()), prefix);
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string tooLarge()
{
    return Format("The document is too large (more than %zu bytes)", HTMLParser::MaxDocumentBytes);
}

FetchResult readFile(const std::string& url, const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw EFetchError(Format("Cannot open %s: %s", url.c_str(), strerror(errno)));
    std::unique_ptr<int, void (*)(int*)> closer(&fd, [](int* f) { close(*f); });
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw EFetchError(Format("Cannot open %s: not a file", url.c_str()));
    if (static_cast<uint64_t>(st.st_size) > HTMLParser::MaxDocumentBytes)
        throw EFetchError(tooLarge());
    FetchResult result;
    result.finalUrl = url;
    result.body.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < result.body.size()) {
        ssize_t got = read(fd, result.body.data() + done, result.body.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw EFetchError(Format("Cannot read %s: %s", url.c_str(), strerror(errno)));
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    result.body.resize(done);
    std::string lowered = LowerCase(path);
    if (lowered.size() >= 4 && lowered.compare(lowered.size() - 4, 4, ".txt") == 0)
        result.contentType = "text/plain";
    return result;
}

struct Transfer {
    std::string body;
    bool overflow { false };
    const std::atomic<bool>* cancel { nullptr };
};

size_t onData(char* data, size_t size, size_t count, void* userdata)
{
    auto* transfer = static_cast<Transfer*>(userdata);
    size_t bytes = size * count;
    if (bytes > HTMLParser::MaxDocumentBytes - transfer->body.size()) {
        transfer->overflow = true;
        return 0;
    }
    transfer->body.append(data, bytes);
    return bytes;
}

int onProgress(void* userdata, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<Transfer*>(userdata)->cancel->load(std::memory_order_relaxed) ? 1 : 0;
}

FetchResult fetchHttp(const FetchRequest& request, const std::atomic<bool>& cancel)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl)
        throw EFetchError("Cannot start a transfer");
    curl_slist* rawHeaders = nullptr;
    size_t start = 0;
    while (start < request.headers.size()) {
        size_t end = request.headers.find('\n', start);
        if (end == std::string::npos)
            end = request.headers.size();
        std::string line = Trim(std::string_view(request.headers).substr(start, end - start));
        if (!line.empty())
            rawHeaders = curl_slist_append(rawHeaders, line.c_str());
        start = end + 1;
    }
    std::unique_ptr<curl_slist, void (*)(curl_slist*)> headers(rawHeaders, curl_slist_free_all);

    Transfer transfer;
    transfer.cancel = &cancel;
    char error[CURL_ERROR_SIZE] = {};
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, static_cast<long>(DocumentLoader::MaxRedirects));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(request.timeoutMs));
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::min(request.timeoutMs, DocumentLoader::MaxConnectMs)));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(HTMLParser::MaxDocumentBytes));
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(h, CURLOPT_USERAGENT, "Velmora/1.2");
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onData);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, error);
    if (headers)
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    if (!request.postData.empty()) {
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.postData.size()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.postData.data());
    }

    CURLcode code = curl_easy_perform(h);
    if (cancel.load())
        return {};
    if (transfer.overflow || code == CURLE_FILESIZE_EXCEEDED)
        throw EFetchError(tooLarge());
    if (code != CURLE_OK)
        throw EFetchError(Format("Cannot load %s: %s", request.url.c_str(), error[0] ? error : curl_easy_strerror(code)));
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 400)
        throw EFetchError(Format("Cannot load %s: the server answered %ld", request.url.c_str(), status), static_cast<int>(status));

    FetchResult result;
    result.body = std::move(transfer.body);
    char* type = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
        result.contentType = type;
    char* effective = nullptr;
    result.finalUrl = (curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective) ? effective : request.url;
    return result;
}

}

std::string DocumentLoader::FilePath(const std::string& url)
{
    if (!startsWithNoCase(url, "file:"))
        return {};
    std::string rest = url.substr(5);
    if (rest.compare(0, 2, "//") == 0) {
        size_t slash = rest.find('/', 2);
        std::string host = rest.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
        if (!host.empty() && !SameText(host, "localhost"))
            return {};
        rest = slash == std::string::npos ? "/" : rest.substr(slash);
    }
    if (rest.empty() || rest[0] != '/')
        return {};
    rest = rest.substr(0, rest.find_first_of("?#"));
    std::string path;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && hexValue(rest[i + 1]) >= 0 && hexValue(rest[i + 2]) >= 0) {
            path += static_cast<char>(hexValue(rest[i + 1]) * 16 + hexValue(rest[i + 2]));
            i += 2;
        } else {
            path += rest[i];
        }
    }
    if (path.find('\0') != std::string::npos)
        return {};
    return path;
}

FetchResult DocumentLoader::Fetch(const FetchRequest& request, const std::atomic<bool>& cancel)
{
    const std::string& url = request.url;
    if (SameText(url, "about:blank"))
        return FetchResult { "", "text/html", url };
    if (!url.empty() && url[0] == '/')
        return readFile(url, url);
    if (startsWithNoCase(url, "file:")) {
        std::string path = FilePath(url);
        if (path.empty())
            throw EFetchError(Format("Cannot open %s: not a local file", url.c_str()));
        return readFile(url, path);
    }
    if (startsWithNoCase(url, "http://") || startsWithNoCase(url, "https://"))
        return fetchHttp(request, cancel);
    throw EFetchError(Format("Cannot open %s: unsupported address", url.c_str()));
}
