#include "platform/vcl/web/HTMLElement.h"
#include "platform/vcl/web/HTMLSerializer.h"

WideString HTMLElement::tagName() const { return Utf8ToWide(m_tree->nodes[static_cast<size_t>(m_node)].text); }
WideString HTMLElement::innerText() const { return Utf8ToWide(HTMLSerializer::InnerText(*m_tree, m_node)); }
WideString HTMLElement::innerHTML() const { return Utf8ToWide(HTMLSerializer::InnerHTML(*m_tree, m_node)); }
WideString HTMLElement::outerHTML() const { return Utf8ToWide(HTMLSerializer::OuterHTML(*m_tree, m_node)); }
