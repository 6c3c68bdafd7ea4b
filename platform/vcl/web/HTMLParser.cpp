#include "platform/vcl/web/HTMLParser.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/web/EWebBrowserError.h"
#include <algorithm>
#include <array>
#include <chrono>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <gumbo.h>

namespace {

// Every block the parser takes is linked into one list, so the whole parse
// can be freed in one sweep without gumbo's own (recursive) tree destructor,
// and so an abandoned parse leaks nothing.
struct alignas(16) BlockHeader {
    BlockHeader* prev;
    BlockHeader* next;
    size_t size;
};

enum class Abandon { None, Memory, Time, Cancelled };

struct Arena {
    BlockHeader* head { nullptr };
    size_t live { 0 };
    unsigned calls { 0 };
    std::chrono::steady_clock::time_point deadline;
    const std::atomic<bool>* cancel { nullptr };
    std::jmp_buf* escape { nullptr };
    Abandon reason { Abandon::None };

    ~Arena()
    {
        while (head) {
            BlockHeader* next = head->next;
            std::free(head);
            head = next;
        }
    }
};

[[noreturn]] void abandon(Arena* arena, Abandon reason)
{
    arena->reason = reason;
    std::longjmp(*arena->escape, 1);
}

void* arenaAllocate(void* userdata, size_t size)
{
    auto* arena = static_cast<Arena*>(userdata);
    if (size > HTMLParser::MaxParseMemory - std::min(arena->live, HTMLParser::MaxParseMemory))
        abandon(arena, Abandon::Memory);
    if ((++arena->calls & 255) == 0) {
        if (std::chrono::steady_clock::now() > arena->deadline)
            abandon(arena, Abandon::Time);
        if (arena->cancel && arena->cancel->load(std::memory_order_relaxed))
            abandon(arena, Abandon::Cancelled);
    }
    auto* block = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (!block)
        abandon(arena, Abandon::Memory);
    block->prev = nullptr;
    block->next = arena->head;
    block->size = size;
    if (arena->head)
        arena->head->prev = block;
    arena->head = block;
    arena->live += size;
    return block + 1;
}

void arenaFree(void* userdata, void* pointer)
{
    if (!pointer)
        return;
    auto* arena = static_cast<Arena*>(userdata);
    auto* block = static_cast<BlockHeader*>(pointer) - 1;
    if (block->prev)
        block->prev->next = block->next;
    else
        arena->head = block->next;
    if (block->next)
        block->next->prev = block->prev;
    arena->live -= block->size;
    std::free(block);
}

// No object with a destructor lives between setjmp and a longjmp out of the
// allocator: only gumbo's C frames are unwound.
GumboOutput* parseGuarded(Arena& arena, const GumboOptions& options, const char* data, size_t length)
{
    std::jmp_buf escape;
    arena.escape = &escape;
    if (setjmp(escape) != 0)
        return nullptr;
    return gumbo_parse_with_options(&options, data, length);
}

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string upperCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = upper(c);
    return out;
}

bool sameNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

uint16_t flagsFor(GumboTag tag)
{
    using F = HTMLNode;
    switch (tag) {
    case GUMBO_TAG_BR:
        return F::Void | F::LineBreak;
    case GUMBO_TAG_HR:
        return F::Void | F::Block;
    case GUMBO_TAG_AREA: case GUMBO_TAG_COL: case GUMBO_TAG_EMBED: case GUMBO_TAG_IMG:
    case GUMBO_TAG_INPUT: case GUMBO_TAG_KEYGEN: case GUMBO_TAG_PARAM: case GUMBO_TAG_SOURCE:
    case GUMBO_TAG_TRACK: case GUMBO_TAG_WBR: case GUMBO_TAG_FRAME: case GUMBO_TAG_MENUITEM:
        return F::Void;
    case GUMBO_TAG_BASE: case GUMBO_TAG_BASEFONT: case GUMBO_TAG_BGSOUND: case GUMBO_TAG_LINK:
    case GUMBO_TAG_META:
        return F::Void | F::Hidden;
    case GUMBO_TAG_SCRIPT: case GUMBO_TAG_STYLE: case GUMBO_TAG_NOSCRIPT: case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_NOEMBED: case GUMBO_TAG_NOFRAMES:
        return F::RawText | F::Hidden;
    case GUMBO_TAG_XMP: case GUMBO_TAG_PLAINTEXT:
        return F::RawText | F::PreserveSpace | F::Block;
    case GUMBO_TAG_PRE: case GUMBO_TAG_LISTING:
        return F::LeadingNewline | F::PreserveSpace | F::Block;
    case GUMBO_TAG_TEXTAREA:
        return F::LeadingNewline | F::PreserveSpace;
    case GUMBO_TAG_HEAD: case GUMBO_TAG_TITLE: case GUMBO_TAG_TEMPLATE:
        return F::Hidden;
    case GUMBO_TAG_P:
        return F::Paragraph;
    case GUMBO_TAG_TD: case GUMBO_TAG_TH:
        return F::Cell;
    case GUMBO_TAG_TR:
        return F::Row;
    case GUMBO_TAG_ADDRESS: case GUMBO_TAG_ARTICLE: case GUMBO_TAG_ASIDE: case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_CENTER: case GUMBO_TAG_DD: case GUMBO_TAG_DETAILS:
    case GUMBO_TAG_DIR: case GUMBO_TAG_DIV: case GUMBO_TAG_DL: case GUMBO_TAG_DT:
    case GUMBO_TAG_FIELDSET: case GUMBO_TAG_FIGCAPTION: case GUMBO_TAG_FIGURE: case GUMBO_TAG_FOOTER:
    case GUMBO_TAG_FORM: case GUMBO_TAG_H1: case GUMBO_TAG_H2: case GUMBO_TAG_H3: case GUMBO_TAG_H4:
    case GUMBO_TAG_H5: case GUMBO_TAG_H6: case GUMBO_TAG_HEADER: case GUMBO_TAG_HGROUP:
    case GUMBO_TAG_LEGEND: case GUMBO_TAG_LI: case GUMBO_TAG_MAIN: case GUMBO_TAG_MENU:
    case GUMBO_TAG_NAV: case GUMBO_TAG_OL: case GUMBO_TAG_SECTION: case GUMBO_TAG_SUMMARY:
    case GUMBO_TAG_TABLE: case GUMBO_TAG_CAPTION: case GUMBO_TAG_UL: case GUMBO_TAG_OPTION:
        return F::Block;
    default:
        return 0;
    }
}

std::string elementName(const GumboElement& element)
{
    if (element.tag_namespace == GUMBO_NAMESPACE_SVG || element.tag == GUMBO_TAG_UNKNOWN) {
        GumboStringPiece original = element.original_tag;
        gumbo_tag_from_original_text(&original);
        if (original.length > 0)
            return upperCase(std::string_view(original.data, original.length));
    }
    if (element.tag != GUMBO_TAG_UNKNOWN)
        return upperCase(gumbo_normalized_tagname(element.tag));
    return "UNKNOWN";
}

std::string collapseWhitespace(std::string_view text)
{
    std::string out;
    bool space = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
            space = !out.empty();
            continue;
        }
        if (space)
            out += ' ';
        space = false;
        out += c;
    }
    return out;
}

// Converts gumbo's tree depth-first with an explicit stack, in document order.
void convert(const GumboOutput& output, HTMLTree& tree)
{
    struct Pending {
        const GumboNode* node;
        int32_t parent;
        int depth;
    };
    std::vector<Pending> stack;
    HTMLNode document;
    document.kind = HTMLNode::Kind::Document;
    tree.nodes.push_back(std::move(document));
    const GumboVector& top = output.document->v.document.children;
    for (size_t i = top.length; i-- > 0;)
        stack.push_back({ static_cast<const GumboNode*>(top.data[i]), 0, 1 });

    int32_t titleNode = -1;
    while (!stack.empty()) {
        Pending item = stack.back();
        stack.pop_back();
        if (item.depth > HTMLParser::MaxNestingDepth)
            throw EWebBrowserError(Format("The document is nested too deeply (more than %d levels)", HTMLParser::MaxNestingDepth));

        HTMLNode node;
        node.parent = item.parent;
        const GumboNode& source = *item.node;
        switch (source.type) {
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE: {
            const GumboElement& element = source.v.element;
            node.kind = HTMLNode::Kind::Element;
            node.text = elementName(element);
            if (element.tag_namespace == GUMBO_NAMESPACE_HTML)
                node.flags = flagsFor(element.tag);
            for (unsigned a = 0; a < element.attributes.length; ++a) {
                const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[a]);
                std::string_view name = attribute->name;
                std::string_view original(attribute->original_name.data, attribute->original_name.length);
                if (sameNoCase(original, name))
                    name = original;
                node.attributes.push_back({ std::string(name), attribute->value });
                if (sameNoCase(name, "hidden"))
                    node.flags |= HTMLNode::Hidden;
            }
            break;
        }
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_WHITESPACE:
            node.kind = HTMLNode::Kind::Text;
            node.text = source.v.text.text;
            break;
        case GUMBO_NODE_CDATA:
            node.kind = HTMLNode::Kind::CData;
            node.text = source.v.text.text;
            break;
        case GUMBO_NODE_COMMENT:
            node.kind = HTMLNode::Kind::Comment;
            node.text = source.v.text.text;
            break;
        default:
            continue;
        }

        auto index = static_cast<int32_t>(tree.nodes.size());
        HTMLNode& parent = tree.nodes[static_cast<size_t>(item.parent)];
        if (parent.lastChild >= 0)
            tree.nodes[static_cast<size_t>(parent.lastChild)].nextSibling = index;
        else
            parent.firstChild = index;
        parent.lastChild = index;
        bool isElement = node.kind == HTMLNode::Kind::Element;
        tree.nodes.push_back(std::move(node));

        if (!isElement)
            continue;
        const GumboElement& element = source.v.element;
        if (element.tag_namespace == GUMBO_NAMESPACE_HTML) {
            if (titleNode < 0 && element.tag == GUMBO_TAG_TITLE)
                titleNode = index;
            if (tree.body < 0 && (element.tag == GUMBO_TAG_BODY || element.tag == GUMBO_TAG_FRAMESET)
                && item.parent > 0 && tree.nodes[static_cast<size_t>(item.parent)].text == "HTML")
                tree.body = index;
        }
        const GumboVector& children = element.children;
        for (size_t i = children.length; i-- > 0;)
            stack.push_back({ static_cast<const GumboNode*>(children.data[i]), index, item.depth + 1 });
    }

    if (titleNode >= 0) {
        std::string text;
        for (int32_t c = tree.nodes[static_cast<size_t>(titleNode)].firstChild; c >= 0; c = tree.nodes[static_cast<size_t>(c)].nextSibling)
            if (tree.nodes[static_cast<size_t>(c)].kind == HTMLNode::Kind::Text)
                text += tree.nodes[static_cast<size_t>(c)].text;
        tree.title = collapseWhitespace(text);
    }
}

bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == ':';
}

bool isOneOf(std::string_view name, std::initializer_list<std::string_view> names)
{
    for (std::string_view n : names)
        if (sameNoCase(name, n))
            return true;
    return false;
}

bool isFormatting(std::string_view name)
{
    return isOneOf(name, { "a", "b", "big", "code", "em", "font", "i", "nobr", "s", "small", "strike", "strong", "tt", "u" });
}

bool hasOptionalEnd(std::string_view name)
{
    return isOneOf(name, { "p", "li", "dt", "dd", "option", "optgroup", "tr", "td", "th", "tbody", "thead", "tfoot",
                             "rb", "rt", "rp", "rtc", "caption", "colgroup", "html", "head", "body" });
}

}

int HTMLParser::EstimateDepth(std::string_view text, int limit)
{
    // Open elements by name (views into the text); an end tag closes up to
    // its match. Meant to err on the deep side for hostile markup; the built
    // tree is checked again.
    std::vector<std::string_view> open;
    int deepest = 0;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        size_t lt = text.find('<', i);
        if (lt == std::string_view::npos || lt + 1 >= n)
            break;
        i = lt + 1;
        if (text.compare(i, 3, "!--") == 0) {
            size_t end = text.find("-->", i + 3);
            i = end == std::string_view::npos ? n : end + 3;
            continue;
        }
        bool closing = text[i] == '/';
        if (closing)
            ++i;
        size_t nameStart = i;
        while (i < n && isNameChar(text[i]))
            ++i;
        if (i == nameStart || !((text[nameStart] | 0x20) >= 'a' && (text[nameStart] | 0x20) <= 'z'))
            continue;
        std::string_view name = text.substr(nameStart, i - nameStart);
        // The end of the tag, skipping quoted attribute values.
        char quote = 0;
        while (i < n && (quote || text[i] != '>')) {
            if (quote && text[i] == quote)
                quote = 0;
            else if (!quote && (text[i] == '"' || text[i] == '\''))
                quote = text[i];
            ++i;
        }
        bool selfClosing = i > 0 && i < n && text[i - 1] == '/';
        ++i;
        if (closing) {
            for (size_t k = open.size(); k-- > 0;) {
                if (sameNoCase(open[k], name)) {
                    // A misnested formatting element is closed and reopened
                    // inside what follows it (the adoption agency), so the
                    // elements above it stay open.
                    bool misnested = isFormatting(name)
                        && std::any_of(open.begin() + static_cast<long>(k) + 1, open.end(), [](std::string_view o) { return !isFormatting(o); });
                    if (!misnested)
                        open.resize(k);
                    break;
                }
            }
            continue;
        }
        if (isOneOf(name, { "area", "base", "br", "col", "embed", "hr", "img", "input", "keygen", "link", "meta",
                              "param", "source", "track", "wbr", "basefont", "bgsound", "frame", "image", "menuitem" }))
            continue;
        if (isOneOf(name, { "script", "style", "textarea", "title", "xmp", "iframe", "noembed", "noframes", "noscript" })) {
            // Raw text: nothing nests inside; skip to the end tag.
            std::string closeTag = "</" + std::string(name);
            size_t k = i;
            while (true) {
                k = text.find("</", k);
                if (k == std::string_view::npos) {
                    i = n;
                    break;
                }
                if (sameNoCase(text.substr(k, closeTag.size()), closeTag)) {
                    i = k;
                    break;
                }
                k += 2;
            }
            continue;
        }
        if (isOneOf(name, { "plaintext" }))
            break;
        // "/>" closes an element only inside SVG or MathML; in HTML it is ignored.
        if (selfClosing && std::any_of(open.begin(), open.end(), [](std::string_view o) { return isOneOf(o, { "svg", "math" }); }))
            continue;
        // An element whose end tag may be left out closes an earlier one of
        // its kind, when only such elements or formatting stand between.
        if (hasOptionalEnd(name)) {
            for (size_t k = open.size(); k-- > 0;) {
                if (sameNoCase(open[k], name)) {
                    open.resize(k);
                    break;
                }
                if (!hasOptionalEnd(open[k]) && !isFormatting(open[k]))
                    break;
            }
        }
        open.push_back(name);
        deepest = std::max(deepest, static_cast<int>(open.size()));
        if (deepest > limit)
            return deepest;
    }
    return deepest;
}

std::shared_ptr<HTMLTree> HTMLParser::Parse(std::string_view utf8, const std::atomic<bool>* cancel)
{
    if (utf8.size() > MaxDocumentBytes)
        throw EWebBrowserError(Format("The document is too large (more than %zu bytes)", MaxDocumentBytes));
    // html, head and body come on top of what the markup nests.
    if (EstimateDepth(utf8, MaxNestingDepth - 3) > MaxNestingDepth - 3)
        throw EWebBrowserError(Format("The document is nested too deeply (more than %d levels)", MaxNestingDepth));

    Arena arena;
    arena.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(MaxParseSeconds);
    arena.cancel = cancel;
    GumboOptions options = kGumboDefaultOptions;
    options.allocator = arenaAllocate;
    options.deallocator = arenaFree;
    options.userdata = &arena;
    options.max_errors = 0;
    GumboOutput* output = parseGuarded(arena, options, utf8.data(), utf8.size());
    if (!output) {
        if (arena.reason == Abandon::Cancelled)
            throw EWebBrowserError("Loading the document was cancelled");
        if (arena.reason == Abandon::Time)
            throw EWebBrowserError(Format("The document takes too long to parse (more than %d seconds)", MaxParseSeconds));
        throw EWebBrowserError("The document needs too much memory to parse");
    }
    auto tree = std::make_shared<HTMLTree>();
    convert(*output, *tree);
    return tree;  // the arena frees gumbo's tree
}
