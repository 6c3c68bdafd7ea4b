#pragma once
// Packed device-independent bitmaps in movable global memory, as a data source
// hands them over, with pixel values chosen so that a single pixel tells
// whether the right bytes were taken.
#include "platform/win/memory/GlobalMemory.h"
#include <cstdint>
#include <cstring>
#include <vector>

struct DibShape {
    uint32_t headerSize { 40 };
    int32_t width { 4 };
    int32_t height { 2 };
    uint16_t bitCount { 24 };
    uint32_t compression { 0 };
    uint32_t clrUsed { 0 };
    int64_t extraBytes { 0 }; // added to (or, negative, taken from) the exact size
    size_t fixedSize { 0 };   // when set, the block has this size whatever the header says
};

inline size_t DibRowBytes(int32_t width, uint16_t bits) { return (size_t(width) * bits + 31) / 32 * 4; }

// The bytes of a packed DIB: header, colour table (entry i is blue i, green
// 0x40, red 0x80), then rows whose bytes count up from 1.
inline std::vector<unsigned char> MakeDibBytes(const DibShape& shape)
{
    uint32_t entries = shape.headerSize == 12 || shape.clrUsed == 0
        ? (shape.bitCount == 1 ? 2 : shape.bitCount == 4 ? 16 : shape.bitCount == 8 ? 256 : 0)
        : shape.clrUsed;
    uint32_t entrySize = shape.headerSize == 12 ? 3 : 4;
    size_t total = shape.fixedSize;
    if (!total) {
        size_t rows = size_t(shape.height < 0 ? -int64_t(shape.height) : shape.height);
        size_t pixels = DibRowBytes(shape.width, shape.bitCount) * rows;
        total = shape.headerSize + size_t(entries) * entrySize + pixels;
        total = size_t(int64_t(total) + shape.extraBytes);
    }
    std::vector<unsigned char> bytes(total, 0);
    auto put32 = [&](size_t at, uint32_t v) { if (at + 4 <= bytes.size()) std::memcpy(&bytes[at], &v, 4); };
    auto put16 = [&](size_t at, uint16_t v) { if (at + 2 <= bytes.size()) std::memcpy(&bytes[at], &v, 2); };
    put32(0, shape.headerSize);
    if (shape.headerSize == 12) {
        put16(4, uint16_t(shape.width));
        put16(6, uint16_t(shape.height));
        put16(8, 1);
        put16(10, shape.bitCount);
    } else {
        put32(4, uint32_t(shape.width));
        put32(8, uint32_t(shape.height));
        put16(12, 1);
        put16(14, shape.bitCount);
        put32(16, shape.compression);
        put32(32, shape.clrUsed);
    }
    size_t at = shape.headerSize;
    for (uint32_t i = 0; i < entries && at + entrySize <= bytes.size(); ++i, at += entrySize) {
        bytes[at] = uint8_t(i);
        bytes[at + 1] = 0x40;
        bytes[at + 2] = 0x80;
    }
    for (size_t i = 0; at < bytes.size(); ++i, ++at)
        bytes[at] = uint8_t(i + 1);
    return bytes;
}

inline HGLOBAL MakeDibBlock(const std::vector<unsigned char>& bytes)
{
    HGLOBAL h = GlobalAlloc(GHND, bytes.size());
    std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
    GlobalUnlock(h);
    return h;
}
