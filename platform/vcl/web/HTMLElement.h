#pragma once
#include "platform/vcl/web/HTMLTree.h"
#include "platform/vcl/web/IHTMLElement.h"
#include <memory>

// An element of a parsed document; keeps the document's tree alive.
class HTMLElement : public IHTMLElement {
public:
    HTMLElement(std::shared_ptr<const HTMLTree> tree, int32_t node) : m_tree(std::move(tree)), m_node(node) { }

    WideString tagName() const override;
    WideString innerText() const override;
    WideString innerHTML() const override;
    WideString outerHTML() const override;

private:
    std::shared_ptr<const HTMLTree> m_tree;
    int32_t m_node;
};
