#include "platform/vcl/graphics/TBitmap.h"
#include "platform/rtl/AtomicFile.h"
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

// The bitmap's canvas: a memory context with the bitmap (and its palette)
// selected, made on first use and kept until the bitmap goes.
class TBitmap::TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* owner) : m_owner(owner) { }
    ~TBitmapCanvas() override { Destroy(); }

    HDC Context() const { return m_dc; }
    HGDIOBJ OriginalBitmap() const { return m_originalBitmap; }

protected:
    void CreateHandle() override
    {
        m_dc = CreateCompatibleDC(nullptr);
        m_originalBitmap = GetCurrentObject(m_dc, OBJ_BITMAP);
        SetHandle(m_dc);
        m_owner->SelectIntoCanvas();
    }

private:
    void Destroy()
    {
        if (!m_dc)
            return;
        ReleaseContext();
        SelectObject(m_dc, m_originalBitmap);
        SelectPalette(m_dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), TRUE);
        DeleteDC(m_dc);
        m_dc = nullptr;
    }

    TBitmap* m_owner;
    HDC m_dc { nullptr };
    HGDIOBJ m_originalBitmap { nullptr };
};

namespace {

HBITMAP NewScreenBitmap(int width, int height)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    if (!bitmap)
        throw Exception("Out of system resources");
    return bitmap;
}

HPALETTE CopyPalette(HPALETTE palette)
{
    UINT count = GetPaletteEntries(palette, 0, 0, nullptr);
    if (!count)
        return nullptr;
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = static_cast<WORD>(count);
    GetPaletteEntries(palette, 0, count, log->palPalEntry);
    return CreatePalette(log);
}

template<typename T>
T ReadAt(const AnsiString& bytes, size_t offset)
{
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

} // namespace

TBitmap::TBitmap() = default;

TBitmap::~TBitmap()
{
    m_canvas.reset();
    FreeImage();
    if (m_palette)
        DeleteObject(m_palette);
}

void TBitmap::SelectIntoCanvas()
{
    if (!m_canvas || !m_canvas->Context())
        return;
    HDC dc = m_canvas->Context();
    SelectObject(dc, m_handle ? static_cast<HGDIOBJ>(m_handle) : m_canvas->OriginalBitmap());
    SelectPalette(dc, m_palette ? m_palette : static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), TRUE);
    if (m_palette)
        RealizePalette(dc);
}

void TBitmap::DeselectFromCanvas()
{
    if (!m_canvas || !m_canvas->Context())
        return;
    HDC dc = m_canvas->Context();
    SelectObject(dc, m_canvas->OriginalBitmap());
    SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), TRUE);
}

void TBitmap::FreeImage()
{
    if (!m_handle)
        return;
    DeselectFromCanvas();
    DeleteObject(m_handle);
    m_handle = nullptr;
    m_width = m_height = 0;
}

void TBitmap::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TBitmap::SetSize(int width, int height)
{
    width = width < 0 ? 0 : width;
    height = height < 0 ? 0 : height;
    if (width == m_width && height == m_height)
        return;
    HBITMAP next = width && height ? NewScreenBitmap(width, height) : nullptr;
    if (next && m_handle) {
        // Keep what both sizes share.
        int w = std::min(width, m_width), h = std::min(height, m_height);
        const uint32_t* from = GdiBitmapBits(m_handle);
        uint32_t* to = GdiBitmapBits(next);
        for (int y = 0; y < h; ++y)
            std::memcpy(to + static_cast<size_t>(y) * width, from + static_cast<size_t>(y) * m_width, static_cast<size_t>(w) * 4);
    }
    FreeImage();
    m_handle = next;
    m_width = width;
    m_height = height;
    SelectIntoCanvas();
    Changed();
}

void TBitmap::SetHandle(HBITMAP bitmap)
{
    if (bitmap == m_handle)
        return;
    FreeImage();
    m_handle = bitmap;
    m_width = GdiBitmapWidth(bitmap);
    m_height = GdiBitmapHeight(bitmap);
    SelectIntoCanvas();
    Changed();
}

HBITMAP TBitmap::ReleaseHandle()
{
    HBITMAP bitmap = m_handle;
    DeselectFromCanvas();
    m_handle = nullptr;
    m_width = m_height = 0;
    return bitmap;
}

void TBitmap::SetPalette(HPALETTE palette)
{
    if (palette == m_palette)
        return;
    DeselectFromCanvas();
    if (m_palette)
        DeleteObject(m_palette);
    m_palette = palette;
    SelectIntoCanvas();
    Changed();
}

HPALETTE TBitmap::ReleasePalette()
{
    HPALETTE palette = m_palette;
    DeselectFromCanvas();
    m_palette = nullptr;
    SelectIntoCanvas();
    return palette;
}

TCanvas* TBitmap::Canvas()
{
    if (!m_canvas)
        m_canvas = std::make_unique<TBitmapCanvas>(this);
    return m_canvas.get();
}

void TBitmap::Assign(const TBitmap* source)
{
    if (source == this)
        return;
    if (!source) {
        FreeImage();
        SetPalette(nullptr);
        Changed();
        return;
    }
    Assign(*source);
}

void TBitmap::Assign(const TBitmap& source)
{
    if (&source == this)
        return;
    HBITMAP copy = nullptr;
    if (!source.Empty()) {
        copy = NewScreenBitmap(source.m_width, source.m_height);
        std::memcpy(GdiBitmapBits(copy), GdiBitmapBits(source.m_handle),
            static_cast<size_t>(source.m_width) * source.m_height * 4);
    }
    HPALETTE palette = source.m_palette ? CopyPalette(source.m_palette) : nullptr;
    FreeImage();
    DeselectFromCanvas();
    if (m_palette)
        DeleteObject(m_palette);
    m_handle = copy;
    m_palette = palette;
    m_width = source.m_width;
    m_height = source.m_height;
    if (!copy)
        m_width = m_height = 0;
    SelectIntoCanvas();
    Changed();
}

AnsiString TBitmap::SaveToBytes() const
{
    if (Empty())
        return {};
    uint32_t rowBytes = GdiDibRowBytes(m_width, 24);
    uint64_t image = static_cast<uint64_t>(rowBytes) * m_height;
    uint64_t total = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + image;
    if (!rowBytes || total > UINT32_MAX)
        throw EInOutError("The picture is too large for a BMP file");
    AnsiString bytes(static_cast<size_t>(total), '\0');
    BITMAPFILEHEADER file {};
    file.bfType = 0x4D42; // "BM"
    file.bfSize = static_cast<DWORD>(total);
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    BITMAPINFOHEADER header {};
    header.biSize = sizeof header;
    header.biWidth = m_width;
    header.biHeight = m_height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(image);
    header.biXPelsPerMeter = header.biYPelsPerMeter = 3780; // 96 dpi
    std::memcpy(bytes.data(), &file, sizeof file);
    // GetDIBits writes the header back; give it a full BITMAPINFO to write into.
    BITMAPINFO info {};
    info.bmiHeader = header;
    HDC dc = CreateCompatibleDC(nullptr);
    GetDIBits(dc, m_handle, 0, static_cast<UINT>(m_height), bytes.data() + file.bfOffBits, &info, DIB_RGB_COLORS);
    DeleteDC(dc);
    std::memcpy(bytes.data() + sizeof file, &header, sizeof header);
    return bytes;
}

void TBitmap::SaveToFile(const AnsiString& fileName) const
{
    if (Empty())
        return;
    WriteFileAtomically(fileName, SaveToBytes());
}

void TBitmap::LoadFromFile(const AnsiString& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        throw EInOutError("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
    AnsiString bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw EInOutError("Cannot read file \"" + fileName + "\"");
    LoadFromBytes(bytes);
}

void TBitmap::LoadFromBytes(const AnsiString& bytes)
{
    auto invalid = [] { return EInvalidGraphic("Bitmap image is not valid"); };
    if (bytes.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPCOREHEADER) || bytes[0] != 'B' || bytes[1] != 'M')
        throw invalid();
    auto file = ReadAt<BITMAPFILEHEADER>(bytes, 0);
    DWORD headerSize = ReadAt<DWORD>(bytes, sizeof file);
    size_t infoAt = sizeof file;
    if (headerSize != sizeof(BITMAPCOREHEADER) && (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > 1024))
        throw invalid();
    if (bytes.size() < infoAt + headerSize)
        throw invalid();
    int width, height, bpp;
    DWORD compression = BI_RGB;
    size_t colors;
    if (headerSize == sizeof(BITMAPCOREHEADER)) {
        auto core = ReadAt<BITMAPCOREHEADER>(bytes, infoAt);
        width = core.bcWidth;
        height = core.bcHeight;
        bpp = core.bcBitCount;
        colors = bpp <= 8 ? size_t(1) << bpp : 0;
        colors *= 3;
    } else {
        auto h = ReadAt<BITMAPINFOHEADER>(bytes, infoAt);
        if (h.biHeight == INT32_MIN || h.biWidth <= 0)
            throw invalid();
        width = h.biWidth;
        height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
        bpp = h.biBitCount;
        compression = h.biCompression;
        if (bpp <= 8 && h.biClrUsed > (1u << bpp))
            throw invalid();
        colors = 4 * static_cast<size_t>(GdiDibColorCount(h));
        if (compression == BI_BITFIELDS && headerSize == sizeof(BITMAPINFOHEADER))
            colors += 12;
    }
    if (compression != BI_RGB && compression != BI_BITFIELDS)
        throw EInvalidGraphic("Compressed bitmaps are not supported");
    uint32_t rowBytes = GdiDibRowBytes(width, bpp);
    uint64_t image = static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(height);
    if (!rowBytes || width <= 0 || height <= 0 || infoAt + headerSize + colors > bytes.size() || file.bfOffBits > bytes.size()
        || bytes.size() - file.bfOffBits < image)
        throw invalid();
    // The header and colour table are copied out so they are suitably aligned.
    std::vector<uint8_t> info(headerSize + colors + sizeof(RGBQUAD));
    std::memcpy(info.data(), bytes.data() + infoAt, headerSize + colors);
    const auto* bmi = reinterpret_cast<const BITMAPINFO*>(info.data());
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBitmap(screen, &bmi->bmiHeader, CBM_INIT, bytes.data() + file.bfOffBits, bmi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (!bitmap)
        throw invalid();
    HPALETTE palette = nullptr;
    if (bpp <= 8) {
        size_t count = headerSize == sizeof(BITMAPCOREHEADER) ? colors / 3 : colors / 4;
        size_t entry = headerSize == sizeof(BITMAPCOREHEADER) ? 3 : 4;
        std::vector<uint8_t> block(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
        auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
        log->palVersion = 0x300;
        log->palNumEntries = static_cast<WORD>(count);
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* q = info.data() + headerSize + i * entry;
            log->palPalEntry[i] = PALETTEENTRY { q[2], q[1], q[0], 0 };
        }
        palette = CreatePalette(log);
    }
    FreeImage();
    DeselectFromCanvas();
    if (m_palette)
        DeleteObject(m_palette);
    m_handle = bitmap;
    m_palette = palette;
    m_width = width;
    m_height = height;
    SelectIntoCanvas();
    Changed();
}
