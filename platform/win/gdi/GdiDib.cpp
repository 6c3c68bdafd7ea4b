// Device-independent bitmaps: reading them into bitmaps and devices, and
// reading bitmaps out as DIBs of 1, 4, 8, 16, 24 or 32 bits per pixel.
#include "platform/win/gdi/GdiInternal.h"
#include <algorithm>
#include <cstring>
#include <immintrin.h>
#include <new>

namespace gdi {
namespace {

// A DIB described by its header and colour table; rows are decoded on demand.
struct DibView {
    int width { 0 };
    int height { 0 };        // absolute
    bool topDown { false };
    int bpp { 0 };
    DWORD compression { BI_RGB };
    uint32_t stride { 0 };
    uint32_t masks[3] { 0, 0, 0 };
    std::vector<uint32_t> colors; // opaque 0xFFRRGGBB
    const uint8_t* bits { nullptr };

    const uint8_t* Scan(int topDownRow) const
    {
        int scan = topDown ? topDownRow : height - 1 - topDownRow;
        return bits + static_cast<size_t>(scan) * stride;
    }
};

int MaskShift(uint32_t mask)
{
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

int MaskBits(uint32_t mask)
{
    mask >>= MaskShift(mask);
    int n = 0;
    while (mask & 1) {
        mask >>= 1;
        ++n;
    }
    return n;
}

uint32_t Expand(uint32_t value, uint32_t mask)
{
    if (!mask)
        return 0;
    int bits = MaskBits(mask);
    uint32_t v = (value & mask) >> MaskShift(mask);
    if (bits >= 8)
        return v >> (bits - 8);
    // Replicate the high bits into the low ones, so full scale maps to 255.
    uint32_t out = 0;
    int filled = 0;
    while (filled < 8) {
        out = (out << bits) | v;
        filled += bits;
    }
    return out >> (filled - 8);
}

// Reads header and colour table. False for what is not a DIB we read.
bool Parse(const BITMAPINFO* info, UINT usage, DC* dc, DibView& v)
{
    if (!info)
        return false;
    DWORD size = info->bmiHeader.biSize;
    const uint8_t* table = reinterpret_cast<const uint8_t*>(info) + size;
    int tableEntrySize = 4;
    if (size == sizeof(BITMAPCOREHEADER)) {
        const auto* core = reinterpret_cast<const BITMAPCOREHEADER*>(info);
        v.width = core->bcWidth;
        v.height = core->bcHeight;
        v.topDown = false;
        v.bpp = core->bcBitCount;
        v.compression = BI_RGB;
        tableEntrySize = 3;
        if (core->bcPlanes != 1)
            return false;
    } else if (size >= sizeof(BITMAPINFOHEADER)) {
        const auto& h = info->bmiHeader;
        if (h.biWidth <= 0 || h.biHeight == 0 || h.biPlanes != 1)
            return false;
        if (h.biHeight == INT32_MIN)
            return false;
        v.width = h.biWidth;
        v.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
        v.topDown = h.biHeight < 0;
        v.bpp = h.biBitCount;
        v.compression = h.biCompression;
        if (v.compression == BI_BITFIELDS) {
            if (v.bpp != 16 && v.bpp != 32)
                return false;
            // In the 40-byte header the masks follow it; later headers hold them.
            const uint8_t* m = size == sizeof(BITMAPINFOHEADER) ? table : reinterpret_cast<const uint8_t*>(info) + 40;
            std::memcpy(v.masks, m, 12);
            if (size == sizeof(BITMAPINFOHEADER))
                table += 12;
        } else if (v.compression != BI_RGB) {
            return false;
        }
    } else {
        return false;
    }
    switch (v.bpp) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
    }
    if (v.width <= 0 || v.height <= 0)
        return false;
    v.stride = GdiDibRowBytes(v.width, v.bpp);
    if (!v.stride || static_cast<uint64_t>(v.stride) * v.height > (uint64_t(1) << 32))
        return false;
    if (v.compression == BI_RGB && v.bpp == 16) {
        v.masks[0] = 0x7C00;
        v.masks[1] = 0x03E0;
        v.masks[2] = 0x001F;
    }
    if (v.bpp <= 8) {
        int count = 1 << v.bpp;
        if (size >= sizeof(BITMAPINFOHEADER) && info->bmiHeader.biClrUsed && info->bmiHeader.biClrUsed < static_cast<DWORD>(count))
            count = static_cast<int>(info->bmiHeader.biClrUsed);
        v.colors.assign(static_cast<size_t>(1 << v.bpp), kOpaque);
        if (usage == DIB_PAL_COLORS) {
            const auto* indexes = reinterpret_cast<const WORD*>(table);
            Palette* pal = dc && dc->palette ? dc->palette : DefaultPalette();
            for (int i = 0; i < count; ++i) {
                const auto& e = pal->entries[indexes[i] % pal->entries.size()];
                v.colors[i] = kOpaque | (uint32_t(e.peRed) << 16) | (uint32_t(e.peGreen) << 8) | e.peBlue;
            }
        } else {
            for (int i = 0; i < count; ++i) {
                const uint8_t* q = table + i * tableEntrySize;
                v.colors[i] = kOpaque | (uint32_t(q[2]) << 16) | (uint32_t(q[1]) << 8) | q[0];
            }
        }
    }
    return true;
}

// Decodes columns [x0, x1) of a top-down row into out[0 .. x1-x0).
void DecodeRow(const DibView& v, int row, int x0, int x1, uint32_t* out)
{
    const uint8_t* s = v.Scan(row);
    switch (v.bpp) {
    case 1:
        for (int x = x0; x < x1; ++x)
            *out++ = v.colors[(s[x >> 3] >> (7 - (x & 7))) & 1];
        break;
    case 4:
        for (int x = x0; x < x1; ++x)
            *out++ = v.colors[(x & 1) ? (s[x >> 1] & 0x0F) : (s[x >> 1] >> 4)];
        break;
    case 8:
        for (int x = x0; x < x1; ++x)
            *out++ = v.colors[s[x]];
        break;
    case 16:
        for (int x = x0; x < x1; ++x) {
            uint32_t p = s[2 * x] | (uint32_t(s[2 * x + 1]) << 8);
            *out++ = kOpaque | (Expand(p, v.masks[0]) << 16) | (Expand(p, v.masks[1]) << 8) | Expand(p, v.masks[2]);
        }
        break;
    case 24: {
        const uint8_t* p = s + 3 * x0;
        for (int x = x0; x < x1; ++x, p += 3)
            *out++ = kOpaque | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
        break;
    }
    case 32:
        if (v.compression == BI_RGB) {
            const uint8_t* p = s + 4 * x0;
            for (int x = x0; x < x1; ++x, p += 4) {
                uint32_t q;
                std::memcpy(&q, p, 4);
                *out++ = kOpaque | q;
            }
        } else {
            for (int x = x0; x < x1; ++x) {
                uint32_t p;
                std::memcpy(&p, s + 4 * x, 4);
                *out++ = kOpaque | (Expand(p, v.masks[0]) << 16) | (Expand(p, v.masks[1]) << 8) | Expand(p, v.masks[2]);
            }
        }
        break;
    }
}

// Destination pixel j of n covers source pixel (2j+1)·m/(2n): the source pixel
// under the centre of the destination pixel.
inline int64_t MapCentre(int64_t j, int64_t n, int64_t m) { return static_cast<int64_t>((static_cast<__int128>(2 * j + 1) * m) / (2 * n)); }

bool RecordImage(GdiRecording* rec, const RECT& clip, const DibView& v, int destX, int destY, int destW, int destH,
    int64_t srcX, int64_t srcTop, int64_t srcW, int64_t srcH, bool mirrorX, bool mirrorY)
{
    // Keep only the part of the source rectangle inside the image, and the
    // matching part of the destination.
    int cx0 = static_cast<int>(std::max<int64_t>(srcX, 0)), cx1 = static_cast<int>(std::min<int64_t>(srcX + srcW, v.width));
    int cy0 = static_cast<int>(std::max<int64_t>(srcTop, 0)), cy1 = static_cast<int>(std::min<int64_t>(srcTop + srcH, v.height));
    if (cx0 >= cx1 || cy0 >= cy1)
        return true;
    // The part [c0, c1) of the source run [s0, s0 + sLen) lands on this part
    // of the destination run [d0, d0 + dLen), counted from its far end when mirrored.
    auto map = [](int64_t c0, int64_t c1, int64_t s0, int64_t sLen, int d0, int dLen, bool mirror, LONG& lo, LONG& hi) {
        int64_t from = mirror ? s0 + sLen - c1 : c0 - s0, to = mirror ? s0 + sLen - c0 : c1 - s0;
        lo = d0 + static_cast<LONG>(from * dLen / sLen);
        hi = d0 + static_cast<LONG>(to * dLen / sLen);
    };
    RECT dest;
    map(cx0, cx1, srcX, srcW, destX, destW, mirrorX, dest.left, dest.right);
    map(cy0, cy1, srcTop, srcH, destY, destH, mirrorY, dest.top, dest.bottom);
    RECT visible;
    if (!IntersectRect(&visible, &dest, &clip))
        return true;

    auto image = std::make_shared<GdiRecordedImage>();
    int w = cx1 - cx0, h = cy1 - cy0;
    bool raw = v.compression == BI_RGB && (v.bpp == 8 || v.bpp == 24 || v.bpp == 32);
    image->Width = w;
    image->Height = h;
    image->BitsPerPixel = raw ? v.bpp : 32;
    if (raw && v.bpp == 8) {
        for (uint32_t c : v.colors)
            image->Colors.push_back(RGBQUAD { BYTE(c), BYTE(c >> 8), BYTE(c >> 16), 0 });
    }
    int bytes = raw ? v.bpp / 8 : 4;
    // Bits from GdiAllocDibBits are kept as they are: no copy of a page.
    const uint8_t* top = v.Scan(cy0) + static_cast<size_t>(cx0) * bytes;
    const uint8_t* first = v.topDown ? top : v.Scan(cy1 - 1);
    size_t span = static_cast<size_t>(h - 1) * v.stride + static_cast<size_t>(v.width) * bytes;
    if (raw) {
        if (auto held = FindDibBits(first - static_cast<size_t>(cx0) * bytes, span)) {
            image->Storage = std::move(held);
            image->Origin = top;
            image->Step = v.topDown ? static_cast<ptrdiff_t>(v.stride) : -static_cast<ptrdiff_t>(v.stride);
        }
    }
    if (!image->Storage) {
        uint32_t stride = GdiDibRowBytes(w, image->BitsPerPixel);
        std::shared_ptr<uint8_t[]> copy(new (std::nothrow) uint8_t[static_cast<size_t>(stride) * h]);
        if (!copy)
            return false;
        for (int y = 0; y < h; ++y) {
            uint8_t* out = copy.get() + static_cast<size_t>(y) * stride;
            if (raw)
                std::memcpy(out, v.Scan(cy0 + y) + static_cast<size_t>(cx0) * bytes, static_cast<size_t>(w) * bytes);
            else
                DecodeRow(v, cy0 + y, cx0, cx1, reinterpret_cast<uint32_t*>(out));
        }
        image->Origin = copy.get();
        image->Step = stride;
        image->Storage = std::move(copy);
    }
    GdiRecordedOp op;
    op.kind = GdiRecordedOp::Kind::Image;
    op.clip = clip;
    op.rect = dest;
    op.image = std::move(image);
    op.mirrorX = mirrorX;
    op.mirrorY = mirrorY;
    rec->Add(std::move(op));
    return true;
}

void FillTarget(const Target& t, const RECT& r, uint32_t pixel)
{
    RECT c;
    if (!t.bitmap || !IntersectRect(&c, &r, &t.clip))
        return;
    for (LONG y = c.top; y < c.bottom; ++y)
        std::fill(t.bitmap->Row(y) + c.left, t.bitmap->Row(y) + c.right, pixel);
}

} // namespace

// The stretch of a DIB onto a context; BitBlt and StretchBlt come here too,
// with the source bitmap viewed as a top-down 32-bit DIB.
int StretchDib(DC* dc, int xDest, int yDest, int destW, int destH, int xSrc, int ySrc, int srcW, int srcH,
    const DibView& v, DWORD rop)
{
    if (destW == 0 || destH == 0 || srcW == 0 || srcH == 0)
        return 0;
    bool mirrorX = (destW < 0) != (srcW < 0);
    bool mirrorY = (destH < 0) != (srcH < 0);
    // A negative extent runs the other way from its origin; what cannot be
    // turned round within 32 bits is refused.
    auto normalise = [](int& origin, int& extent) {
        if (extent >= 0)
            return true;
        int64_t o = int64_t(origin) + extent, e = -int64_t(extent);
        if (o < INT32_MIN || e > INT32_MAX)
            return false;
        origin = static_cast<int>(o);
        extent = static_cast<int>(e);
        return true;
    };
    if (!normalise(xDest, destW) || !normalise(yDest, destH) || !normalise(xSrc, srcW) || !normalise(ySrc, srcH))
        return 0;
    int64_t dx64 = int64_t(xDest) + dc->origin.x, dy64 = int64_t(yDest) + dc->origin.y;
    if (dx64 < INT32_MIN / 2 || dx64 > INT32_MAX / 2 || dy64 < INT32_MIN / 2 || dy64 > INT32_MAX / 2)
        return 0;
    int X = static_cast<int>(dx64), Y = static_cast<int>(dy64);
    // Rows of a bottom-up DIB count from the bottom; make the source top-down.
    int64_t srcTop = v.topDown ? int64_t(ySrc) : int64_t(v.height) - ySrc - srcH;
    Target t = TargetOf(dc);
    RECT dest { X, Y, static_cast<LONG>(std::min<int64_t>(int64_t(X) + destW, INT32_MAX)),
        static_cast<LONG>(std::min<int64_t>(int64_t(Y) + destH, INT32_MAX)) };

    if (rop == BLACKNESS || rop == WHITENESS) {
        uint32_t pixel = rop == BLACKNESS ? kOpaque : 0xFFFFFFFFu;
        if (t.recording) {
            RECT visible;
            if (IntersectRect(&visible, &dest, &t.clip)) {
                GdiRecordedOp op;
                op.kind = GdiRecordedOp::Kind::FillRect;
                op.clip = t.clip;
                op.rect = visible;
                op.color = rop == BLACKNESS ? 0 : RGB(255, 255, 255);
                t.recording->Add(op);
            }
        }
        FillTarget(t, dest, pixel);
        return srcH;
    }
    if (rop != SRCCOPY)
        return 0;

    if (t.recording)
        return RecordImage(t.recording, t.clip, v, X, Y, destW, destH, xSrc, srcTop, srcW, srcH, mirrorX, mirrorY) ? srcH : 0;
    if (!t.bitmap)
        return srcH; // nothing to draw on (the screen); the call still succeeds

    RECT c;
    if (!IntersectRect(&c, &dest, &t.clip))
        return srcH;
    int cw = c.right - c.left;
    std::vector<int> columns(static_cast<size_t>(cw));
    int minCol = INT32_MAX, maxCol = INT32_MIN;
    for (int i = 0; i < cw; ++i) {
        int64_t j = int64_t(c.left) - X + i;
        int64_t s = MapCentre(j, destW, srcW);
        if (mirrorX)
            s = srcW - 1 - s;
        int64_t col = xSrc + s; // outside the image: -1 or its width, skipped below
        columns[i] = col < 0 ? -1 : (col >= v.width ? v.width : static_cast<int>(col));
        minCol = std::min(minCol, columns[i]);
        maxCol = std::max(maxCol, columns[i]);
    }
    int decodeFrom = std::max(minCol, 0), decodeTo = std::min(maxCol + 1, v.width);
    if (decodeFrom >= decodeTo)
        return srcH;
    bool identity = !mirrorX && destW == srcW && minCol >= 0 && maxCol < v.width;
    std::vector<uint32_t> row(static_cast<size_t>(decodeTo - decodeFrom));
    int decodedRow = -1;
    for (LONG y = c.top; y < c.bottom; ++y) {
        int64_t s = MapCentre(int64_t(y) - Y, destH, srcH);
        if (mirrorY)
            s = srcH - 1 - s;
        int64_t srow = srcTop + s;
        if (srow < 0 || srow >= v.height)
            continue;
        uint32_t* out = t.bitmap->Row(y) + c.left;
        if (identity) {
            DecodeRow(v, static_cast<int>(srow), columns[0], columns[0] + cw, out);
            continue;
        }
        if (decodedRow != srow) {
            DecodeRow(v, static_cast<int>(srow), decodeFrom, decodeTo, row.data());
            decodedRow = static_cast<int>(srow);
        }
        for (int i = 0; i < cw; ++i) {
            int col = columns[i];
            if (col >= decodeFrom && col < decodeTo)
                out[i] = row[col - decodeFrom];
        }
    }
    return srcH;
}

int StretchBitmap(DC* dc, int x, int y, int w, int h, Bitmap* src, int xs, int ys, int ws, int hs, DWORD rop)
{
    DibView v;
    v.width = src->width;
    v.height = src->height;
    v.topDown = true;
    v.bpp = 32;
    v.stride = static_cast<uint32_t>(src->width) * 4;
    v.bits = reinterpret_cast<const uint8_t*>(src->pixels.get());
    if (!v.bits || v.width == 0 || v.height == 0)
        return 0;
    // Copying within one bitmap: read from a snapshot so overlapping areas work.
    std::unique_ptr<uint32_t[]> snapshot;
    if (TargetOf(dc).bitmap == src) {
        size_t n = static_cast<size_t>(src->width) * src->height;
        snapshot.reset(new (std::nothrow) uint32_t[n]);
        if (!snapshot)
            return 0;
        std::memcpy(snapshot.get(), src->pixels.get(), n * 4);
        v.bits = reinterpret_cast<const uint8_t*>(snapshot.get());
    }
    return StretchDib(dc, x, y, w, h, xs, ys, ws, hs, v, rop);
}

} // namespace gdi

using namespace gdi;

uint32_t GdiDibRowBytes(int64_t width, int bitsPerPixel)
{
    if (width < 0 || bitsPerPixel <= 0)
        return 0;
    uint64_t bits = static_cast<uint64_t>(width) * static_cast<uint64_t>(bitsPerPixel);
    uint64_t bytes = ((bits + 31) / 32) * 4;
    return bytes > UINT32_MAX ? 0 : static_cast<uint32_t>(bytes);
}

int GdiDibColorCount(const BITMAPINFOHEADER& header)
{
    if (header.biSize == sizeof(BITMAPCOREHEADER)) {
        const auto& core = reinterpret_cast<const BITMAPCOREHEADER&>(header);
        return core.bcBitCount <= 8 ? 1 << core.bcBitCount : 0;
    }
    if (header.biClrUsed)
        return static_cast<int>(header.biClrUsed);
    return header.biBitCount <= 8 ? 1 << header.biBitCount : 0;
}

int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
    int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop)
{
    DC* dc = AsDC(hdc);
    DibView v;
    if (!dc || !bits || !Parse(info, usage, dc, v))
        return 0;
    v.bits = static_cast<const uint8_t*>(bits);
    return StretchDib(dc, xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth, srcHeight, v, rop);
}

int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
    UINT startScan, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage)
{
    DC* dc = AsDC(hdc);
    DibView v;
    if (!dc || !bits || !lines || !Parse(info, usage, dc, v))
        return 0;
    if (width > INT32_MAX || height > INT32_MAX || startScan >= static_cast<UINT>(v.height))
        return 0;
    // The buffer holds scan lines startScan .. startScan + lines: view it as a
    // DIB of that many scan lines and shift the source rectangle to match.
    lines = std::min<UINT>(lines, v.height - startScan);
    int fullHeight = v.height;
    v.height = static_cast<int>(lines);
    v.bits = static_cast<const uint8_t*>(bits);
    int srcTopInFull = v.topDown ? ySrc : fullHeight - ySrc - static_cast<int>(height);
    int bandTop = v.topDown ? static_cast<int>(startScan) : fullHeight - static_cast<int>(startScan) - v.height;
    int bandY = v.topDown ? srcTopInFull - bandTop : v.height - (srcTopInFull - bandTop) - static_cast<int>(height);
    StretchDib(dc, xDest, yDest, static_cast<int>(width), static_cast<int>(height), xSrc, bandY,
        static_cast<int>(width), static_cast<int>(height), v, SRCCOPY);
    return static_cast<int>(lines);
}

int SetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage)
{
    Bitmap* bm = AsBitmap(bitmap);
    DibView v;
    if (!bm || !bits || !Parse(info, usage, AsDC(hdc), v))
        return 0;
    v.bits = static_cast<const uint8_t*>(bits);
    // Scan line s of the DIB lands on bitmap row s (top-down) or height-1-s.
    int copied = 0;
    int w = std::min(v.width, bm->width);
    std::vector<uint32_t> row(static_cast<size_t>(std::max(w, 1)));
    for (uint64_t s = start; s < uint64_t(start) + lines && s < static_cast<uint64_t>(v.height); ++s) {
        int scan = static_cast<int>(s);
        int topDownRow = v.topDown ? scan : v.height - 1 - scan;
        int bmRow = v.topDown ? scan : bm->height - 1 - scan;
        if (bmRow < 0 || bmRow >= bm->height)
            continue;
        DecodeRow(v, topDownRow, 0, w, bm->Row(bmRow));
        ++copied;
    }
    return copied;
}

HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
    const BITMAPINFO* info, UINT usage)
{
    if (!header)
        return nullptr;
    int width, height;
    if (header->biSize == sizeof(BITMAPCOREHEADER)) {
        const auto* core = reinterpret_cast<const BITMAPCOREHEADER*>(header);
        width = core->bcWidth;
        height = core->bcHeight;
    } else if (header->biSize >= sizeof(BITMAPINFOHEADER)) {
        if (header->biHeight == INT32_MIN)
            return nullptr;
        width = header->biWidth;
        height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
    } else {
        return nullptr;
    }
    if (width < 0)
        return nullptr;
    Bitmap* bm = NewBitmap(width, height);
    if (!bm)
        return nullptr;
    if ((init & CBM_INIT) && bits && info && width > 0 && height > 0) {
        DibView v;
        if (!Parse(info, usage, AsDC(hdc), v) || v.width != width || v.height != height) {
            DeleteObject(HandleOf<HGDIOBJ>(bm));
            return nullptr;
        }
        v.bits = static_cast<const uint8_t*>(bits);
        for (int y = 0; y < height; ++y)
            DecodeRow(v, y, 0, width, bm->Row(y));
    }
    return HandleOf<HBITMAP>(bm);
}

namespace {

// Packs pixels 0xAARRGGBB into blue, green, red bytes; returns how many it
// did (the rest is left to the caller). Each store writes 16 bytes of which
// the next store overwrites the last 4, so it stops 2 pixels short of the end.
__attribute__((target("ssse3"))) int PackBgr24Ssse3(const uint32_t* src, int count, uint8_t* out)
{
    const __m128i order = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int x = 0;
    for (; x + 6 <= count; x += 4) {
        __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * x), _mm_shuffle_epi8(p, order));
    }
    return x;
}

int PackBgr24Plain(const uint32_t* src, int count, uint8_t* out)
{
    int x = 0;
    // Four pixels at a time into three words: the bytes are B G R of each.
    for (; x + 4 <= count; x += 4) {
        uint32_t a = src[x], b = src[x + 1], c = src[x + 2], d = src[x + 3];
        uint32_t w0 = (a & 0xFFFFFF) | (b << 24);
        uint32_t w1 = ((b >> 8) & 0xFFFF) | (c << 16);
        uint32_t w2 = ((c >> 16) & 0xFF) | ((d & 0xFFFFFF) << 8);
        std::memcpy(out + 3 * x, &w0, 4);
        std::memcpy(out + 3 * x + 4, &w1, 4);
        std::memcpy(out + 3 * x + 8, &w2, 4);
    }
    return x;
}

int PackBgr24(const uint32_t* src, int count, uint8_t* out)
{
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    int done = ssse3 ? PackBgr24Ssse3(src, count, out) : 0;
    return done + PackBgr24Plain(src + done, count - done, out + 3 * done);
}

// Writes one bitmap row as a DIB scan line of the given depth.
void EncodeRow(const uint32_t* src, int srcWidth, int width, int bpp, uint8_t* out, NearestColor* nearest)
{
    auto pixelAt = [&](int x) -> uint32_t { return x < srcWidth ? src[x] : 0; };
    switch (bpp) {
    case 32:
        for (int x = 0; x < width; ++x) {
            uint32_t p = pixelAt(x) & 0xFFFFFF;
            std::memcpy(out + 4 * x, &p, 4);
        }
        break;
    case 24: {
        int x = PackBgr24(src, std::min(width, srcWidth), out);
        for (; x < width; ++x) {
            uint32_t p = pixelAt(x);
            out[3 * x] = BYTE(p);
            out[3 * x + 1] = BYTE(p >> 8);
            out[3 * x + 2] = BYTE(p >> 16);
        }
        break;
    }
    case 16:
        for (int x = 0; x < width; ++x) {
            uint32_t p = pixelAt(x);
            uint16_t q = static_cast<uint16_t>((((p >> 19) & 0x1F) << 10) | (((p >> 11) & 0x1F) << 5) | ((p >> 3) & 0x1F));
            out[2 * x] = BYTE(q);
            out[2 * x + 1] = BYTE(q >> 8);
        }
        break;
    case 8:
        for (int x = 0; x < width; ++x)
            out[x] = (*nearest)(pixelAt(x));
        break;
    case 4:
        for (int x = 0; x < width; ++x) {
            uint8_t i = (*nearest)(pixelAt(x)) & 0x0F;
            if (x & 1)
                out[x >> 1] = static_cast<uint8_t>(out[x >> 1] | i);
            else
                out[x >> 1] = static_cast<uint8_t>(i << 4);
        }
        break;
    case 1:
        for (int x = 0; x < width; ++x) {
            uint8_t i = (*nearest)(pixelAt(x)) & 1;
            if ((x & 7) == 0)
                out[x >> 3] = 0;
            out[x >> 3] = static_cast<uint8_t>(out[x >> 3] | (i << (7 - (x & 7))));
        }
        break;
    }
}

} // namespace

int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage)
{
    Bitmap* bm = AsBitmap(bitmap);
    DC* dc = AsDC(hdc);
    if (!bm || !dc || !info)
        return 0;
    bool core = info->bmiHeader.biSize == sizeof(BITMAPCOREHEADER);
    if (!core && info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER))
        return 0;
    auto* coreHeader = reinterpret_cast<BITMAPCOREHEADER*>(info);
    int bpp = core ? coreHeader->bcBitCount : info->bmiHeader.biBitCount;

    if (bpp == 0) {
        // Only the bitmap's own format is asked for.
        if (core) {
            coreHeader->bcWidth = static_cast<WORD>(bm->width);
            coreHeader->bcHeight = static_cast<WORD>(bm->height);
            coreHeader->bcPlanes = 1;
            coreHeader->bcBitCount = 32;
        } else {
            auto& h = info->bmiHeader;
            h.biWidth = bm->width;
            h.biHeight = bm->height;
            h.biPlanes = 1;
            h.biBitCount = 32;
            h.biCompression = BI_RGB;
            h.biSizeImage = GdiDibRowBytes(bm->width, 32) * static_cast<DWORD>(bm->height);
        }
        return 1;
    }
    switch (bpp) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return 0;
    }
    int width, height;
    bool topDown = false;
    if (core) {
        width = coreHeader->bcWidth;
        height = coreHeader->bcHeight;
    } else {
        auto& h = info->bmiHeader;
        if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && (bpp == 16 || bpp == 32)))
            return 0;
        if (h.biHeight == INT32_MIN)
            return 0;
        width = h.biWidth;
        topDown = h.biHeight < 0;
        height = topDown ? -h.biHeight : h.biHeight;
    }
    if (width <= 0 || height <= 0)
        return 0;
    uint32_t rowBytes = GdiDibRowBytes(width, bpp);
    uint64_t imageBytes = static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(height);
    if (!rowBytes || imageBytes > UINT32_MAX)
        return 0;
    if (!core)
        info->bmiHeader.biSizeImage = static_cast<DWORD>(imageBytes);

    // The colour table (or the masks) goes after the header on every call.
    std::vector<RGBQUAD> table;
    uint8_t* tableOut = reinterpret_cast<uint8_t*>(info) + (core ? sizeof(BITMAPCOREHEADER) : info->bmiHeader.biSize);
    if (bpp <= 8) {
        table = ContextColorTable(dc, 1 << bpp);
        int count = 1 << bpp;
        if (!core && info->bmiHeader.biClrUsed && info->bmiHeader.biClrUsed < static_cast<DWORD>(count))
            count = static_cast<int>(info->bmiHeader.biClrUsed);
        if (usage == DIB_PAL_COLORS) {
            for (int i = 0; i < count; ++i) {
                WORD index = static_cast<WORD>(i);
                std::memcpy(tableOut + 2 * i, &index, 2);
            }
        } else {
            for (int i = 0; i < count; ++i) {
                if (core) {
                    RGBTRIPLE t { table[i].rgbBlue, table[i].rgbGreen, table[i].rgbRed };
                    std::memcpy(tableOut + 3 * i, &t, 3);
                } else {
                    std::memcpy(tableOut + 4 * i, &table[i], 4);
                }
            }
        }
        table.resize(static_cast<size_t>(count));
    } else if (!core && info->bmiHeader.biCompression == BI_BITFIELDS && info->bmiHeader.biSize == sizeof(BITMAPINFOHEADER)) {
        // We write 5-5-5 and 8-8-8 layouts; say so in the masks.
        DWORD masks[3] = { 0x7C00, 0x03E0, 0x001F };
        if (bpp == 32) {
            masks[0] = 0xFF0000;
            masks[1] = 0x00FF00;
            masks[2] = 0x0000FF;
        }
        std::memcpy(tableOut, masks, sizeof masks);
    }
    if (!bits)
        return 1;

    std::unique_ptr<NearestColor> nearest;
    if (bpp <= 8)
        nearest = std::make_unique<NearestColor>(table);
    auto* out = static_cast<uint8_t*>(bits);
    int copied = 0;
    for (uint64_t s = start; s < uint64_t(start) + lines && s < static_cast<uint64_t>(height); ++s) {
        int scan = static_cast<int>(s);
        int row = topDown ? scan : height - 1 - scan;
        uint8_t* dest = out + static_cast<size_t>(s - start) * rowBytes;
        if (row < bm->height)
            EncodeRow(bm->Row(row), bm->width, width, bpp, dest, nearest.get());
        else
            std::memset(dest, 0, rowBytes);
        // Pad bytes are zero.
        uint32_t used = static_cast<uint32_t>((static_cast<uint64_t>(width) * bpp + 7) / 8);
        std::memset(dest + used, 0, rowBytes - used);
        ++copied;
    }
    return copied;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop)
{
    return StretchBlt(dest, x, y, width, height, src, xSrc, ySrc, width, height, rop);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc,
    int srcWidth, int srcHeight, DWORD rop)
{
    DC* d = AsDC(dest);
    if (!d)
        return FALSE;
    if (rop == BLACKNESS || rop == WHITENESS) {
        DibView none;
        none.width = none.height = 1;
        return StretchDib(d, x, y, width, height, 0, 0, 1, 1, none, rop) ? TRUE : FALSE;
    }
    DC* s = AsDC(src);
    if (!s)
        return FALSE;
    Target st = TargetOf(s);
    if (!st.bitmap)
        return FALSE;
    return StretchBitmap(d, x, y, width, height, st.bitmap, xSrc + s->origin.x, ySrc + s->origin.y, srcWidth, srcHeight, rop) ? TRUE : FALSE;
}
