#include "components/html/MarkerScan.h"
#include "platform/win/core/Messages.h"
#include <algorithm>
#include <cstring>

namespace {

// The next position at or after i holding one character, remembered so that
// a rare character is not searched for again at every step.
class NextChar {
public:
    NextChar(std::string_view text, char c) : m_text(text), m_char(c) { }
    long From(long i)
    {
        if (m_next >= i)
            return m_next;
        const void* hit = std::memchr(m_text.data() + i, m_char, m_text.size() - static_cast<size_t>(i));
        m_next = hit ? static_cast<long>(static_cast<const char*>(hit) - m_text.data()) : static_cast<long>(m_text.size());
        return m_next;
    }

private:
    std::string_view m_text;
    char m_char;
    long m_next { -1 };
};

bool at(std::string_view text, long i, std::string_view marker)
{
    return text.compare(static_cast<size_t>(i), marker.size(), marker) == 0;
}

}

MarkerScan::Markers MarkerScan::Links()
{
    return Markers { "<A href=\"", "", "\"", false, true };
}

MarkerScan::Markers MarkerScan::Images()
{
    return Markers { "<IMG ", "src=\"", "\"", true, false };
}

MarkerScan::Markers MarkerScan::Values(std::string_view start, std::string_view value, std::string_view end)
{
    return Markers { start, value, end, false, false };
}

bool MarkerScan::Run(std::string_view text, const Markers& m, TStrings& target, const std::function<void()>& process)
{
    const std::string_view a = m.start, b = m.value, e = m.end;
    if (a.empty())
        return false;
    const long length = static_cast<long>(text.size());
    // Markers are tested at index i only while |A| + (i + 1) + |B| < L.
    const long testLimit = length - static_cast<long>(a.size()) - static_cast<long>(b.size()) - 1;

    NextChar nextA(text, a[0]);
    NextChar nextB(text, b.empty() ? '\0' : b[0]);
    NextChar nextE(text, e.empty() ? '\0' : e[0]);

    bool armed = false;
    bool collecting = false;
    bool found = false;
    long valueStart = 0;
    long sincePoll = 0;
    auto pump = [&](long positions) {
        sincePoll += positions;
        if (!process)
            return;
        if (MessagesPending() || sincePoll >= PumpInterval) {
            sincePoll = 0;
            process();
        }
    };

    long i = 0;
    while (i < length) {
        // The next position where a marker can match; before it the scan
        // only reads value characters (kept as the range from valueStart).
        long event = length;
        if (i < testLimit) {
            long candidate = nextA.From(i);
            if (candidate < testLimit)
                event = candidate;
            if (armed && !collecting && !b.empty()) {
                candidate = nextB.From(i);
                if (candidate < testLimit)
                    event = std::min(event, candidate);
            }
        }
        if (collecting)
            event = e.empty() ? i : std::min(event, nextE.From(i));
        if (event > i) {
            long stop = std::min(event, i + PumpInterval);
            pump(stop - i);
            i = stop;
            continue;
        }

        pump(1);
        if (i < testLimit) {
            bool valueHere = at(text, i, b);  // taken before the start marker moves the position
            if (at(text, i, a)) {
                armed = true;
                if (!m.startKeepsCollecting)
                    collecting = false;
                i += static_cast<long>(a.size()) - 1;
                valueStart = i;
            }
            // The value marker counts only while no value is being read, so a
            // value may contain it.
            if (armed && !collecting && valueHere) {
                i += b.empty() ? 1 : static_cast<long>(b.size());
                collecting = true;
                valueStart = i;
            }
        }
        if (collecting) {
            found = true;
            if (at(text, i, e)) {
                target.Add(AnsiString(text.substr(static_cast<size_t>(valueStart), static_cast<size_t>(i - valueStart))));
                i += static_cast<long>(e.size()) - 1;
                armed = false;
                collecting = false;
            }
        }
        ++i;
    }
    return m.resultIsUnfinished ? collecting : found;
}
