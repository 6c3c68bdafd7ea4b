#pragma once
#include "components/html/MarkerScan.h"
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace scanreference {

// The rules position by position, as plainly as they can be written: the
// yardstick for the scan, which skips ahead over positions where nothing
// can happen.
inline bool Reference(std::string_view text, const MarkerScan::Markers& m, std::vector<std::string>& out)
{
    const long a = static_cast<long>(m.start.size()), b = static_cast<long>(m.value.size()), e = static_cast<long>(m.end.size());
    const long length = static_cast<long>(text.size());
    if (a == 0)
        return false;
    auto sub = [&](long p, long n) { return text.substr(static_cast<size_t>(p - 1), static_cast<size_t>(std::min(n, length - p + 1))); };
    bool armed = false, collecting = false, found = false;
    std::string value;
    for (long p = 1; p <= length; ++p) {
        if (a + p + b < length) {
            std::string_view tA = sub(p, a), tB = sub(p, b);
            if (tA == m.start) {
                armed = true;
                if (m.startKeepsCollecting)
                    value.clear();
                else
                    collecting = false;
                p = p + a - 1;
            }
            if (armed && !collecting && tB == m.value) {
                p = b == 0 ? p + 1 : p + b;
                collecting = true;
                value.clear();
            }
        }
        if (collecting) {
            found = true;
            if (sub(p, e) == m.end) {
                out.push_back(value);
                value.clear();
                p = p + e - 1;
                armed = collecting = false;
            } else {
                value += text[static_cast<size_t>(p - 1)];
            }
        }
    }
    return m.resultIsUnfinished ? collecting : found;
}

}
