#include "platform/vcl/web/HTMLDocument.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/web/Charset.h"
#include "platform/vcl/web/EWebBrowserError.h"
#include "platform/vcl/web/HTMLElement.h"
#include "platform/vcl/web/HTMLParser.h"

namespace {

std::string mediaType(std::string_view contentType)
{
    std::string type;
    for (char c : contentType.substr(0, contentType.find(';'))) {
        if (c == ' ' || c == '\t')
            continue;
        type += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return type;
}

std::string escapeText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else
            out += c;
    }
    return out;
}

}

std::shared_ptr<HTMLDocument> HTMLDocument::Load(std::string_view bytes, std::string_view contentType, std::string_view url,
    const std::atomic<bool>* cancel)
{
    if (bytes.size() > HTMLParser::MaxDocumentBytes)
        throw EWebBrowserError(Format("The document is too large (more than %zu bytes)", HTMLParser::MaxDocumentBytes));
    std::string type = mediaType(contentType);
    bool plain = type == "text/plain";
    if (!type.empty() && !plain && type != "text/html" && type != "application/xhtml+xml")
        throw EWebBrowserError(Format("Cannot show a document of type %s", type.c_str()));

    std::string charset = Charset::Detect(bytes, Charset::FromContentType(contentType));
    std::string text = Charset::ToUtf8(bytes, charset);
    if (plain)
        text = "<pre>" + escapeText(text) + "</pre>";
    auto tree = HTMLParser::Parse(text, cancel);
    tree->url = url;
    tree->charset = charset;
    return std::make_shared<HTMLDocument>(std::move(tree));
}

WideString HTMLDocument::title() const { return Utf8ToWide(m_tree->title); }

std::shared_ptr<IHTMLElement> HTMLDocument::body() const
{
    if (m_tree->body < 0)
        return nullptr;
    return std::make_shared<HTMLElement>(m_tree, m_tree->body);
}

WideString HTMLDocument::URL() const { return Utf8ToWide(m_tree->url); }
WideString HTMLDocument::charset() const { return Utf8ToWide(m_tree->charset); }
