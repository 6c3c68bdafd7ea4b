// Arbitrary bytes as a document (decoded, parsed, written back as markup and
// as text) and as a text to scan with markers taken from the input. The scan
// must agree with the step-by-step rules.
#include "components/html/MarkerScan.h"
#include "platform/rtl/TStringList.h"
#include "platform/vcl/web/EWebBrowserError.h"
#include "platform/vcl/web/HTMLDocument.h"
#include "tests/components/html/ScanReference.h"
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void scan(std::string_view text, const MarkerScan::Markers& markers)
{
    TStringList list;
    bool result = MarkerScan::Run(text, markers, list, nullptr);
    std::vector<std::string> expected;
    bool expectedResult = scanreference::Reference(text, markers, expected);
    if (result != expectedResult || list.Items() != expected)
        std::abort();
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);

    // Markers: the first three bytes give their lengths (0 to 3 each), then
    // the markers themselves, then the text.
    if (size >= 3) {
        size_t la = data[0] % 4, lb = data[1] % 4, le = data[2] % 4;
        if (3 + la + lb + le <= size) {
            std::string_view rest = input.substr(3);
            MarkerScan::Markers markers { rest.substr(0, la), rest.substr(la, lb), rest.substr(la + lb, le), (data[0] & 0x10) != 0,
                (data[0] & 0x20) != 0 };
            scan(rest.substr(la + lb + le), markers);
        }
    }

    try {
        auto document = HTMLDocument::Load(input, (size && data[0] & 1) ? "text/html; charset=utf-8" : "", "file:///fuzz.html");
        (void)document->title();
        if (auto body = document->body()) {
            std::string html = WideToUtf8(body->innerHTML());
            (void)body->innerText();
            (void)body->outerHTML();
            scan(html, MarkerScan::Links());
            scan(html, MarkerScan::Images());
        }
    } catch (const EWebBrowserError&) {
        // A bound was reached: a clear error is the expected outcome.
    }
    return 0;
}
