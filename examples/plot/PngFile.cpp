#include "PngFile.h"
#include "platform/rtl/Exceptions.h"
#include "platform/vcl/graphics/TBitmap.h"
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

uint32_t Crc32(const std::string& data, size_t begin)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t {};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = begin; i < data.size(); ++i)
        c = table[(c ^ static_cast<uint8_t>(data[i])) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void PutBigEndian(std::string& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((v >> shift) & 0xFF);
}

void Chunk(std::string& file, const char* type, const std::string& data)
{
    PutBigEndian(file, static_cast<uint32_t>(data.size()));
    size_t typeAt = file.size();
    file += type;
    file += data;
    PutBigEndian(file, Crc32(file, typeAt));
}

}

void SavePng(TBitmap& bitmap, const AnsiString& fileName)
{
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    // The image: each row starts with filter type 0 (none).
    std::string raw;
    raw.reserve(static_cast<size_t>(height) * (static_cast<size_t>(width) * 3 + 1));
    TCanvas* canvas = bitmap.Canvas();
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        for (int x = 0; x < width; ++x) {
            uint32_t c = static_cast<uint32_t>(canvas->Pixels(x, y));
            raw += static_cast<char>(c & 0xFF);
            raw += static_cast<char>((c >> 8) & 0xFF);
            raw += static_cast<char>((c >> 16) & 0xFF);
        }
    }
    // A zlib stream of stored blocks of at most 65535 bytes.
    std::string z = "\x78\x01";
    uint32_t a = 1, b = 0;
    for (char ch : raw) {
        a = (a + static_cast<uint8_t>(ch)) % 65521;
        b = (b + a) % 65521;
    }
    size_t at = 0;
    do {
        size_t n = std::min<size_t>(65535, raw.size() - at);
        bool last = at + n == raw.size();
        z += static_cast<char>(last ? 1 : 0);
        z += static_cast<char>(n & 0xFF);
        z += static_cast<char>(n >> 8);
        z += static_cast<char>(~n & 0xFF);
        z += static_cast<char>((~n >> 8) & 0xFF);
        z.append(raw, at, n);
        at += n;
    } while (at < raw.size());
    PutBigEndian(z, (b << 16) | a);

    std::string header;
    PutBigEndian(header, static_cast<uint32_t>(width));
    PutBigEndian(header, static_cast<uint32_t>(height));
    header.append("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
    std::string file = "\x89PNG\r\n\x1a\n";
    Chunk(file, "IHDR", header);
    Chunk(file, "IDAT", z);
    Chunk(file, "IEND", "");

    std::FILE* f = std::fopen(fileName.c_str(), "wb");
    if (!f)
        throw EInOutError("Cannot create file \"" + fileName + "\"");
    bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        throw EInOutError("Cannot write file \"" + fileName + "\"");
}
