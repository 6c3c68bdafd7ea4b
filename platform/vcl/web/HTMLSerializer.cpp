#include "platform/vcl/web/HTMLSerializer.h"
#include <algorithm>

namespace {

const HTMLNode& at(const HTMLTree& tree, int32_t index) { return tree.nodes[static_cast<size_t>(index)]; }

void escape(std::string& out, const std::string& text, bool attribute)
{
    // Copies runs of ordinary characters whole; most text has nothing to escape.
    size_t run = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        const char* replacement = nullptr;
        size_t consumed = 1;
        if (c == '&')
            replacement = "&amp;";
        else if (c == '"' && attribute)
            replacement = "&quot;";
        else if (c == '<' && !attribute)
            replacement = "&lt;";
        else if (c == '>' && !attribute)
            replacement = "&gt;";
        else if (c == '\xC2' && i + 1 < text.size() && text[i + 1] == '\xA0') {
            replacement = "&nbsp;";
            consumed = 2;
        }
        if (!replacement)
            continue;
        out.append(text, run, i - run);
        out += replacement;
        i += consumed - 1;
        run = i + 1;
    }
    out.append(text, run, text.size() - run);
}

void startTag(std::string& out, const HTMLNode& node)
{
    out += '<';
    out += node.text;
    for (const HTMLAttribute& attribute : node.attributes) {
        out += ' ';
        out += attribute.name;
        out += "=\"";
        escape(out, attribute.value, true);
        out += '"';
    }
    out += '>';
}

void endTag(std::string& out, const HTMLNode& node)
{
    out += "</";
    out += node.text;
    out += '>';
}

void leaf(std::string& out, const HTMLTree& tree, const HTMLNode& node)
{
    switch (node.kind) {
    case HTMLNode::Kind::Text:
        if (node.parent >= 0 && at(tree, node.parent).Is(HTMLNode::RawText))
            out += node.text;
        else
            escape(out, node.text, false);
        break;
    case HTMLNode::Kind::Comment:
        out += "<!--";
        out += node.text;
        out += "-->";
        break;
    case HTMLNode::Kind::CData:
        out += "<![CDATA[";
        out += node.text;
        out += "]]>";
        break;
    default:
        break;
    }
}

// Writes the element's start tag; true when its children follow.
bool open(std::string& out, const HTMLTree& tree, const HTMLNode& node)
{
    startTag(out, node);
    if (node.Is(HTMLNode::Void))
        return false;
    // A parser drops one newline right after <pre>; write an extra one so a
    // newline of the text itself survives a round trip.
    if (node.Is(HTMLNode::LeadingNewline) && node.firstChild >= 0) {
        const HTMLNode& first = at(tree, node.firstChild);
        if (first.kind == HTMLNode::Kind::Text && !first.text.empty() && first.text[0] == '\n')
            out += '\n';
    }
    if (node.firstChild >= 0)
        return true;
    endTag(out, node);
    return false;
}

// Visits the nodes below root in document order without recursion. enter(n)
// returns true to go into n's children; leave(n) follows for each element
// entered, once its children are done.
template<typename Enter, typename Leave>
void walk(const HTMLTree& tree, int32_t root, Enter enter, Leave leave)
{
    int32_t n = at(tree, root).firstChild;
    while (n >= 0) {
        if (enter(n)) {
            n = at(tree, n).firstChild;
            continue;
        }
        // Climb until a next sibling, leaving the elements behind.
        while (true) {
            if (at(tree, n).nextSibling >= 0) {
                n = at(tree, n).nextSibling;
                break;
            }
            n = at(tree, n).parent;
            if (n == root || n < 0) {
                n = -1;
                break;
            }
            leave(n);
        }
    }
}

void serialize(std::string& out, const HTMLTree& tree, int32_t root)
{
    walk(
        tree, root,
        [&](int32_t n) {
            const HTMLNode& node = at(tree, n);
            if (node.kind == HTMLNode::Kind::Element)
                return open(out, tree, node);
            leaf(out, tree, node);
            return false;
        },
        [&](int32_t n) { endTag(out, at(tree, n)); });
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

class TextWriter {
public:
    void Require(int breaks) { m_required = std::max(m_required, breaks); }
    void Literal(char c)
    {
        flush();
        m_out += c;
        m_space = false;
    }
    void Text(const std::string& text, bool preserve)
    {
        if (preserve) {
            if (text.empty())
                return;
            flush();
            m_out += text;
            m_space = false;
            return;
        }
        for (char c : text) {
            if (isSpace(c)) {
                m_space = true;
                continue;
            }
            if (m_required > 0 && !m_out.empty()) {
                flush();
            } else if (m_space && !m_out.empty() && m_out.back() != '\n' && m_out.back() != '\t') {
                m_out += ' ';
            }
            m_required = 0;
            m_space = false;
            m_out += c;
        }
    }
    std::string Result() { return std::move(m_out); }

private:
    void flush()
    {
        if (!m_out.empty())
            m_out.append(static_cast<size_t>(m_required), '\n');
        m_required = 0;
        m_space = false;
    }

    std::string m_out;
    int m_required { 0 };
    bool m_space { false };
};

int breaksFor(const HTMLNode& node)
{
    if (node.Is(HTMLNode::Paragraph))
        return 2;
    return node.Is(HTMLNode::Block) || node.Is(HTMLNode::Row) ? 1 : 0;
}

bool preserved(const HTMLTree& tree, int32_t n)
{
    for (int32_t p = at(tree, n).parent; p >= 0; p = at(tree, p).parent)
        if (at(tree, p).Is(HTMLNode::PreserveSpace))
            return true;
    return false;
}

void leaveElement(TextWriter& writer, const HTMLTree& tree, const HTMLNode& node)
{
    writer.Require(breaksFor(node));
    if (node.Is(HTMLNode::Cell)) {
        for (int32_t s = node.nextSibling; s >= 0; s = at(tree, s).nextSibling) {
            const HTMLNode& sibling = at(tree, s);
            if (sibling.kind != HTMLNode::Kind::Element)
                continue;
            if (sibling.Is(HTMLNode::Cell))
                writer.Literal('\t');
            break;
        }
    }
}

}

std::string HTMLSerializer::InnerHTML(const HTMLTree& tree, int32_t node)
{
    std::string out;
    serialize(out, tree, node);
    return out;
}

std::string HTMLSerializer::OuterHTML(const HTMLTree& tree, int32_t node)
{
    const HTMLNode& element = at(tree, node);
    std::string out;
    if (element.kind != HTMLNode::Kind::Element) {
        leaf(out, tree, element);
        return out;
    }
    if (open(out, tree, element)) {
        serialize(out, tree, node);
        endTag(out, element);
    }
    return out;
}

std::string HTMLSerializer::InnerText(const HTMLTree& tree, int32_t root)
{
    TextWriter writer;
    walk(
        tree, root,
        [&](int32_t n) {
            const HTMLNode& node = at(tree, n);
            if (node.kind == HTMLNode::Kind::Text)
                writer.Text(node.text, preserved(tree, n));
            if (node.kind != HTMLNode::Kind::Element || node.Is(HTMLNode::Hidden))
                return false;
            if (node.Is(HTMLNode::LineBreak))
                writer.Literal('\n');
            writer.Require(breaksFor(node));
            if (node.firstChild >= 0)
                return true;
            leaveElement(writer, tree, node);
            return false;
        },
        [&](int32_t n) { leaveElement(writer, tree, at(tree, n)); });
    return writer.Result();
}
