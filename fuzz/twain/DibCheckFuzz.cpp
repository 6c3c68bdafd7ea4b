// The packed-DIB check against arbitrary blocks: it must never read outside
// the block, and every part it reports must lie inside it.
#include "twain/TDibLayout.h"
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly the input's size, so AddressSanitizer sees its end.
    std::vector<uint8_t> block(data, data + size);
    TDibLayout layout;
    AnsiString why;
    if (!TDibLayout::Check(block.data(), block.size(), layout, why))
        return 0;
    // Touch the first and last byte of the colour table and of the pixel rows,
    // as the conversion does.
    uint8_t sink = 0;
    size_t table = size_t(layout.colorCount) * layout.colorEntrySize;
    if (table) {
        sink ^= block[layout.headerSize];
        sink ^= block[layout.headerSize + table - 1];
    }
    if (layout.pixelOffset + layout.pixelBytes > block.size() || layout.pixelBytes == 0)
        abort();
    sink ^= block[layout.pixelOffset];
    sink ^= block[layout.pixelOffset + layout.pixelBytes - 1];
    if (layout.rowBytes * size_t(layout.height < 0 ? -int64_t(layout.height) : layout.height) != layout.pixelBytes)
        abort();
    volatile uint8_t keep = sink;
    (void)keep;
    return 0;
}
