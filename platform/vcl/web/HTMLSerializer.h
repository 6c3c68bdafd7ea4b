#pragma once
// Markup and rendered text of a part of an HTMLTree, written without
// recursion. Markup: upper-case tag names, attribute names as written, every
// attribute value in double quotes, in document order; text escaped except
// inside script, style and the other raw-text elements. Rendered text (a
// simplified form of the browsers' rules): script, style and hidden content
// left out, white space collapsed outside <pre>, a line break for <br>, line
// breaks around blocks (two around paragraphs), a tab between table cells.
#include "platform/vcl/web/HTMLTree.h"
#include <string>

class HTMLSerializer {
public:
    static std::string InnerHTML(const HTMLTree& tree, int32_t node);
    static std::string OuterHTML(const HTMLTree& tree, int32_t node);
    static std::string InnerText(const HTMLTree& tree, int32_t node);
};
