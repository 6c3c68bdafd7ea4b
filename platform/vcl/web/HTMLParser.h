#pragma once
// HTML5 tree building (gumbo) into an HTMLTree, with bounds a hostile or
// broken document cannot get past:
//  - MaxDocumentBytes: larger inputs are refused before parsing;
//  - MaxNestingDepth: deeper element nesting is refused (a quick estimate
//    before parsing, the real tree after), since tree building costs time in
//    proportion to the depth for every tag;
//  - MaxParseMemory and MaxParseSeconds: the parser's allocations are counted
//    and the clock is checked while it runs; past either it is abandoned.
// Each refusal raises EWebBrowserError with a message saying which bound.
#include "platform/vcl/web/HTMLTree.h"
#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class HTMLParser {
public:
    static constexpr size_t MaxDocumentBytes = 16u << 20;
    static constexpr int MaxNestingDepth = 512;
    static constexpr size_t MaxParseMemory = 1024u << 20;
    static constexpr int MaxParseSeconds = 20;

    // utf8 must be valid UTF-8 (see Charset). The result owns copies of
    // everything it needs. Once cancel is set the parse is abandoned with an
    // error, so a browser that goes away need not wait for a long parse.
    static std::shared_ptr<HTMLTree> Parse(std::string_view utf8, const std::atomic<bool>* cancel = nullptr);

    // A quick over-estimate of the nesting depth, stopping once it passes
    // limit. Does not allocate per tag.
    static int EstimateDepth(std::string_view utf8, int limit);
};
