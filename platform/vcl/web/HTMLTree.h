#pragma once
// A parsed document as a flat array of nodes linked by index. Nothing here
// recurses: building, walking and freeing a tree take constant stack however
// deeply the markup nests.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct HTMLAttribute {
    std::string name;   // as written in the source
    std::string value;  // UTF-8, character references resolved
};

struct HTMLNode {
    enum class Kind : uint8_t { Document, Element, Text, Comment, CData };
    enum Flag : uint16_t {
        Void = 1 << 0,             // no end tag, no content
        RawText = 1 << 1,          // text children are written unescaped (script, style, ...)
        LeadingNewline = 1 << 2,   // pre, textarea, listing: a leading newline is doubled
        PreserveSpace = 1 << 3,    // white space renders as written
        Hidden = 1 << 4,           // renders no text (script, style, head, hidden, ...)
        Block = 1 << 5,            // a line break before and after its text
        Paragraph = 1 << 6,        // two line breaks before and after
        LineBreak = 1 << 7,        // <br>
        Cell = 1 << 8,             // td, th: a tab before the next cell
        Row = 1 << 9,              // tr
    };

    Kind kind { Kind::Element };
    uint16_t flags { 0 };
    int32_t parent { -1 };
    int32_t firstChild { -1 };
    int32_t lastChild { -1 };
    int32_t nextSibling { -1 };
    // Element: the upper-case tag name; text, comment, CDATA: the UTF-8 content.
    std::string text;
    std::vector<HTMLAttribute> attributes;

    bool Is(Flag flag) const { return (flags & flag) != 0; }
};

struct HTMLTree {
    std::vector<HTMLNode> nodes;  // nodes[0] is the document
    int32_t body { -1 };
    std::string title;            // UTF-8, white space collapsed
    std::string url;
    std::string charset;
};
