#pragma once
// The marker scans of the web document helper over a text: a start marker
// arms the scan, a value marker starts a value, an end marker ends it, and
// each finished value is appended to a list. Positions count from the first
// character; markers are only recognised where the start marker, the value
// marker and one more character still fit before the end of the text.
//
// The scan lets the application handle pending messages once per position:
// a position where nothing can happen costs one relaxed atomic load, and
// the toolkit's own events are polled every PumpInterval positions (the
// application polls them at most once a millisecond anyway). Stretches
// without a marker's first character are crossed with memchr.
#include "platform/rtl/TStrings.h"
#include <functional>
#include <string_view>

class MarkerScan {
public:
    struct Markers {
        std::string_view start;
        std::string_view value;   // empty: the value begins right after the start marker
        std::string_view end;
        // A start marker met while a value is read empties it and goes on
        // reading (images); otherwise it drops the value and re-arms.
        bool startKeepsCollecting { false };
        // The result: true when the text ends inside a value (links);
        // otherwise true when any value was started.
        bool resultIsUnfinished { false };
    };

    static constexpr long PumpInterval = 4096;

    // process: handles pending messages (may be empty). An empty start
    // marker gives false at once.
    static bool Run(std::string_view text, const Markers& markers, TStrings& target, const std::function<void()>& process);

    static Markers Links();
    static Markers Images();
    static Markers Values(std::string_view start, std::string_view value, std::string_view end);
};
