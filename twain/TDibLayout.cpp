#include "twain/TDibLayout.h"
#include <cstring>

namespace {

constexpr uint32_t kCoreHeader = 12;
constexpr uint32_t kInfoHeader = 40;
constexpr uint32_t kV4Header = 108;
constexpr uint32_t kV5Header = 124;
constexpr uint32_t kRgb = 0;
constexpr uint32_t kBitFields = 3;

template<typename T>
T readAt(const void* base, size_t offset)
{
    T value;
    std::memcpy(&value, static_cast<const unsigned char*>(base) + offset, sizeof value);
    return value;
}

uint32_t entriesForBits(uint32_t bits)
{
    switch (bits) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

}

uint32_t TDibLayout::ColorTableEntries(const void* header)
{
    uint32_t size = readAt<uint32_t>(header, 0);
    if (size == kCoreHeader)
        return entriesForBits(readAt<uint16_t>(header, 10));
    uint32_t used = readAt<uint32_t>(header, 32);
    if (used != 0)
        return used;
    return entriesForBits(readAt<uint16_t>(header, 14));
}

bool TDibLayout::Check(const void* block, size_t size, TDibLayout& layout, AnsiString& why)
{
    layout = TDibLayout {};
    if (!block || size < 4) {
        why = "the block is too small for a bitmap header";
        return false;
    }
    uint32_t headerSize = readAt<uint32_t>(block, 0);
    if (headerSize != kCoreHeader && headerSize != kInfoHeader && headerSize != kV4Header && headerSize != kV5Header) {
        why = "unknown bitmap header size " + IntToStr(headerSize);
        return false;
    }
    if (headerSize > size) {
        why = "the bitmap header does not fit the block";
        return false;
    }
    layout.headerSize = headerSize;
    if (headerSize == kCoreHeader) {
        layout.width = readAt<uint16_t>(block, 4);
        layout.height = readAt<uint16_t>(block, 6);
        layout.bitCount = readAt<uint16_t>(block, 10);
        layout.colorEntrySize = 3;
    } else {
        layout.width = readAt<int32_t>(block, 4);
        layout.height = readAt<int32_t>(block, 8);
        layout.bitCount = readAt<uint16_t>(block, 14);
        layout.compression = readAt<uint32_t>(block, 16);
    }
    switch (layout.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        why = "unsupported bit count " + IntToStr(layout.bitCount);
        return false;
    }
    if (layout.compression != kRgb && !(layout.compression == kBitFields && (layout.bitCount == 16 || layout.bitCount == 32))) {
        why = "unsupported compression " + IntToStr(layout.compression);
        return false;
    }
    // Compare as 64-bit values: the height may be the most negative 32-bit number.
    int64_t rows = layout.height < 0 ? -int64_t(layout.height) : int64_t(layout.height);
    if (layout.width <= 0 || rows == 0 || layout.width > kMaxDimension || rows > kMaxDimension) {
        why = "bitmap size " + IntToStr(layout.width) + " by " + IntToStr(layout.height) + " is out of range";
        return false;
    }
    // Colour masks behind a bare 40-byte header must lie inside the block too.
    if (layout.compression == kBitFields && headerSize == kInfoHeader && size - headerSize < 12) {
        why = "the colour masks do not fit the block";
        return false;
    }
    layout.colorCount = ColorTableEntries(block);
    uint64_t tableBytes = uint64_t(layout.colorCount) * layout.colorEntrySize;
    uint64_t pixelOffset = uint64_t(headerSize) + tableBytes;
    if (pixelOffset > size) {
        why = "the colour table of " + IntToStr(layout.colorCount) + " entries does not fit the block";
        return false;
    }
    uint64_t rowBytes = (uint64_t(layout.width) * layout.bitCount + 31) / 32 * 4;
    uint64_t pixelBytes = rowBytes * uint64_t(rows);
    if (pixelBytes > kMaxPixelBytes || pixelBytes > size - pixelOffset) {
        why = "the pixel rows do not fit the block";
        return false;
    }
    layout.pixelOffset = static_cast<size_t>(pixelOffset);
    layout.rowBytes = static_cast<size_t>(rowBytes);
    layout.pixelBytes = static_cast<size_t>(pixelBytes);
    return true;
}
