#pragma once
#include "platform/vcl/web/HTMLTree.h"
#include "platform/vcl/web/IHTMLDocument2.h"
#include <atomic>
#include <memory>
#include <string_view>

// A loaded document: the bytes as they came, decoded and parsed once.
class HTMLDocument : public IHTMLDocument2 {
public:
    // contentType: the transport's Content-Type ("text/html; charset=utf-8"),
    // or "" when there is none (a local file). text/plain becomes a document
    // holding the text in a <pre>. Raises EWebBrowserError past a limit of
    // HTMLParser, or for a type that is not text.
    static std::shared_ptr<HTMLDocument> Load(std::string_view bytes, std::string_view contentType, std::string_view url,
        const std::atomic<bool>* cancel = nullptr);

    explicit HTMLDocument(std::shared_ptr<const HTMLTree> tree) : m_tree(std::move(tree)) { }

    WideString title() const override;
    std::shared_ptr<IHTMLElement> body() const override;
    WideString URL() const override;
    WideString charset() const override;

    const HTMLTree& Tree() const { return *m_tree; }

private:
    std::shared_ptr<const HTMLTree> m_tree;
};
