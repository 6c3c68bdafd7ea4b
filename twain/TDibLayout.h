#pragma once
// Where the parts of a packed device-independent bitmap lie in a memory block:
// the header (40-byte information header, its 108- and 124-byte successors, or
// the 12-byte core header), the colour table and the pixel rows. Check trusts
// nothing in the block: every offset it hands back lies inside it.
#include "platform/rtl/AnsiString.h"
#include <cstddef>
#include <cstdint>

struct TDibLayout {
    uint32_t headerSize { 0 };
    int32_t width { 0 };
    int32_t height { 0 }; // negative: rows stored top-down
    uint16_t bitCount { 0 };
    uint32_t compression { 0 };
    uint32_t colorCount { 0 };     // colour-table entries by the transfer's rule
    uint32_t colorEntrySize { 4 }; // 3 after a core header
    size_t pixelOffset { 0 };      // from the start of the block
    size_t rowBytes { 0 };         // padded to 4 bytes
    size_t pixelBytes { 0 };

    static constexpr int32_t kMaxDimension = 65535;
    static constexpr uint64_t kMaxPixelBytes = uint64_t(1) << 31;

    // The number of colour-table entries: the core header's bit count; else the
    // header's used-colours field when not 0; else its bit count. 1 bit gives 2
    // entries, 4 bits 16, 8 bits 256, anything else none. The header must hold
    // at least its first 36 bytes (12 for a core header).
    static uint32_t ColorTableEntries(const void* header);

    // Fills layout and returns true when the block holds a sound packed DIB;
    // otherwise returns false and says why.
    static bool Check(const void* block, size_t size, TDibLayout& layout, AnsiString& why);
};
