#pragma once
// The objects behind the GDI handles. A handle is the address of one of these;
// every call checks it against the table of live objects first, so a stale or
// foreign handle fails the call instead of touching freed memory.
#include "platform/win/gdi/GdiRecording.h"
#include "platform/win/gdi/WinGdi.h"
#include <array>
#include <memory>
#include <vector>

namespace gdi {

enum class ObjectKind { Bitmap, Palette, Pen, Brush, DC };

struct Object {
    explicit Object(ObjectKind k) : kind(k) { }
    virtual ~Object() = default;
    ObjectKind kind;
    bool stock { false };   // stock objects ignore DeleteObject
    int selections { 0 };   // number of contexts it is selected into
};

struct Bitmap : Object {
    Bitmap() : Object(ObjectKind::Bitmap) { }
    int width { 0 };
    int height { 0 };
    std::unique_ptr<uint32_t[]> pixels; // width * height, top-down
    uint32_t* Row(int y) { return pixels.get() + static_cast<size_t>(y) * width; }
};

struct Palette : Object {
    Palette() : Object(ObjectKind::Palette) { }
    std::vector<PALETTEENTRY> entries;
};

struct Pen : Object {
    Pen() : Object(ObjectKind::Pen) { }
    int style { PS_SOLID };
    int width { 1 };
    COLORREF color { 0 };
};

struct Brush : Object {
    Brush() : Object(ObjectKind::Brush) { }
    UINT style { BS_SOLID };
    COLORREF color { 0 };
};

enum class DCKind { Screen, Memory, Recording };

struct DC : Object {
    DC() : Object(ObjectKind::DC) { }
    DCKind dcKind { DCKind::Memory };
    Bitmap* bitmap { nullptr };     // memory contexts: the selected bitmap (stock 1x1 at first)
    Pen* pen { nullptr };
    Brush* brush { nullptr };
    Palette* palette { nullptr };
    bool paletteBackground { false };
    POINT position {};
    POINT origin {};                // viewport origin
    bool clipped { false };
    RECT clip {};                   // device coordinates, valid when clipped
    GdiRecording* recording { nullptr };
};

// Handle table.
void Register(Object* object);
void Unregister(Object* object);
Object* Lookup(const void* handle, ObjectKind kind);
inline Bitmap* AsBitmap(const void* h) { return static_cast<Bitmap*>(Lookup(h, ObjectKind::Bitmap)); }
inline Palette* AsPalette(const void* h) { return static_cast<Palette*>(Lookup(h, ObjectKind::Palette)); }
inline DC* AsDC(const void* h) { return static_cast<DC*>(Lookup(h, ObjectKind::DC)); }

template<typename H>
H HandleOf(Object* object) { return reinterpret_cast<H>(object); }

// Bitmap allocation with the size checked first; null when too large or out of memory.
Bitmap* NewBitmap(int width, int height);

// The stock objects.
Bitmap* StockBitmap();
Pen* StockPen(int index);
Brush* StockBrush(int index);
Palette* DefaultPalette();

// The system palette of the screen.
const std::array<PALETTEENTRY, 256>& SystemPalette();
// The colour table a context gives DIBs of 8 bits or less: its selected
// palette unless that is the default one, else the system palette.
std::vector<RGBQUAD> ContextColorTable(DC* dc, int entries);

// The DIB-bits block (GdiAllocDibBits) that holds [from, from + bytes), or null.
std::shared_ptr<const void> FindDibBits(const void* from, size_t bytes);

bool ScreenIsPalette();
int ScreenWidth();
int ScreenHeight();

// The surface a context draws on, in device coordinates, and its clip.
struct Target {
    Bitmap* bitmap { nullptr };        // raster target (memory context)
    GdiRecording* recording { nullptr }; // recording target
    RECT clip {};                      // bounds ∩ clip rectangle; empty: draw nothing
};
Target TargetOf(DC* dc);

constexpr uint32_t kOpaque = 0xFF000000u;
inline uint32_t PixelFromColorRef(COLORREF c)
{
    return kOpaque | (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}
inline COLORREF ColorRefFromPixel(uint32_t p)
{
    return RGB(static_cast<BYTE>(p >> 16), static_cast<BYTE>(p >> 8), static_cast<BYTE>(p));
}
inline uint32_t PixelFromQuad(const RGBQUAD& q)
{
    return kOpaque | (static_cast<uint32_t>(q.rgbRed) << 16) | (static_cast<uint32_t>(q.rgbGreen) << 8) | q.rgbBlue;
}

// Index of the nearest colour of a table (exact match first).
class NearestColor {
public:
    explicit NearestColor(const std::vector<RGBQUAD>& table);
    uint8_t operator()(uint32_t pixel);

private:
    std::vector<uint32_t> m_table;
    uint32_t m_lastPixel { 0 };
    uint8_t m_lastIndex { 0 };
    bool m_haveLast { false };
    std::vector<std::pair<uint32_t, uint8_t>> m_cache; // open addressing, key 0 = empty slot marker handled by m_used
    std::vector<uint8_t> m_used;
};

} // namespace gdi
