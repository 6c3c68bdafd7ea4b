#pragma once
// Finding a document's character set and converting it to UTF-8, the way a
// browser decides: a byte-order mark, else the transport's declaration (the
// HTTP Content-Type), else a <meta> declaration near the start, else
// windows-1252. Unknown labels fall back the same way.
#include <string>
#include <string_view>

class Charset {
public:
    // The charset parameter of a Content-Type value, or "".
    static std::string FromContentType(std::string_view contentType);
    // A supported canonical name for a label ("utf-8", "windows-1252", ...), or "".
    static std::string Normalize(std::string_view label);
    // The character set to decode bytes with; declared is the transport's label.
    static std::string Detect(std::string_view bytes, std::string_view declared);
    // Valid UTF-8 (a byte-order mark dropped, undecodable bytes as U+FFFD).
    static std::string ToUtf8(std::string_view bytes, const std::string& charset);
};
