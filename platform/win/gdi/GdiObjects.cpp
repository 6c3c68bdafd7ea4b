// Handle table, objects, contexts, palettes and device capabilities.
#include "platform/win/gdi/GdiInternal.h"
#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

namespace gdi {
namespace {

std::mutex& TableMutex()
{
    static std::mutex m;
    return m;
}

std::unordered_map<const void*, Object*>& Table()
{
    static std::unordered_map<const void*, Object*> t;
    return t;
}

// The screen.
struct Screen {
    bool palette { false };
    int width { 1920 };
    int height { 1080 };
    std::array<PALETTEENTRY, 256> system {};
    std::array<bool, 256> used {};
};

Screen& TheScreen()
{
    static Screen s = [] {
        Screen screen;
        return screen;
    }();
    return s;
}

// The 20 static colours: 10 at the start, 10 at the end.
constexpr BYTE kStatic[20][3] = {
    { 0, 0, 0 }, { 128, 0, 0 }, { 0, 128, 0 }, { 128, 128, 0 }, { 0, 0, 128 },
    { 128, 0, 128 }, { 0, 128, 128 }, { 192, 192, 192 }, { 192, 220, 192 }, { 166, 202, 240 },
    { 255, 251, 240 }, { 160, 160, 164 }, { 128, 128, 128 }, { 255, 0, 0 }, { 0, 255, 0 },
    { 255, 255, 0 }, { 0, 0, 255 }, { 255, 0, 255 }, { 0, 255, 255 }, { 255, 255, 255 },
};

void ResetSystemPalette(Screen& s)
{
    for (int i = 0; i < 256; ++i) {
        s.system[i] = PALETTEENTRY { 0, 0, 0, 0 };
        s.used[i] = false;
    }
    for (int i = 0; i < 10; ++i) {
        s.system[i] = PALETTEENTRY { kStatic[i][0], kStatic[i][1], kStatic[i][2], 0 };
        s.system[246 + i] = PALETTEENTRY { kStatic[10 + i][0], kStatic[10 + i][1], kStatic[10 + i][2], 0 };
        s.used[i] = s.used[246 + i] = true;
    }
}

struct ScreenInit {
    ScreenInit() { ResetSystemPalette(TheScreen()); }
} g_screenInit;

constexpr int64_t kMaxBitmapBytes = int64_t(1) << 31; // 2 GiB of pixels

} // namespace

void Register(Object* object)
{
    std::lock_guard lock(TableMutex());
    Table()[object] = object;
}

void Unregister(Object* object)
{
    std::lock_guard lock(TableMutex());
    Table().erase(object);
}

Object* Lookup(const void* handle, ObjectKind kind)
{
    if (!handle)
        return nullptr;
    std::lock_guard lock(TableMutex());
    auto it = Table().find(handle);
    if (it == Table().end() || it->second->kind != kind)
        return nullptr;
    return it->second;
}

static Object* LookupAny(const void* handle)
{
    if (!handle)
        return nullptr;
    std::lock_guard lock(TableMutex());
    auto it = Table().find(handle);
    return it == Table().end() ? nullptr : it->second;
}

Bitmap* NewBitmap(int width, int height)
{
    if (width < 0 || height < 0)
        return nullptr;
    if (static_cast<int64_t>(width) * height * 4 > kMaxBitmapBytes)
        return nullptr;
    auto* bm = new (std::nothrow) Bitmap;
    if (!bm)
        return nullptr;
    bm->width = width;
    bm->height = height;
    size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (count) {
        bm->pixels.reset(new (std::nothrow) uint32_t[count]());
        if (!bm->pixels) {
            delete bm;
            return nullptr;
        }
    }
    Register(bm);
    return bm;
}

template<typename T>
static T* MakeStock()
{
    auto* o = new T;
    o->stock = true;
    Register(o);
    return o;
}

Bitmap* StockBitmap()
{
    static Bitmap* bm = [] {
        auto* b = MakeStock<Bitmap>();
        b->width = b->height = 1;
        b->pixels.reset(new uint32_t[1]());
        return b;
    }();
    return bm;
}

Pen* StockPen(int index)
{
    static Pen* pens[3] = {
        [] { auto* p = MakeStock<Pen>(); p->color = RGB(255, 255, 255); return p; }(),
        [] { auto* p = MakeStock<Pen>(); p->color = 0; return p; }(),
        [] { auto* p = MakeStock<Pen>(); p->style = PS_NULL; return p; }(),
    };
    if (index < WHITE_PEN || index > NULL_PEN)
        return nullptr;
    return pens[index - WHITE_PEN];
}

Brush* StockBrush(int index)
{
    static Brush* brushes[6] = {
        [] { auto* b = MakeStock<Brush>(); b->color = RGB(255, 255, 255); return b; }(),
        [] { auto* b = MakeStock<Brush>(); b->color = RGB(192, 192, 192); return b; }(),
        [] { auto* b = MakeStock<Brush>(); b->color = RGB(128, 128, 128); return b; }(),
        [] { auto* b = MakeStock<Brush>(); b->color = RGB(64, 64, 64); return b; }(),
        [] { auto* b = MakeStock<Brush>(); b->color = 0; return b; }(),
        [] { auto* b = MakeStock<Brush>(); b->style = BS_NULL; return b; }(),
    };
    if (index < WHITE_BRUSH || index > NULL_BRUSH)
        return nullptr;
    return brushes[index];
}

Palette* DefaultPalette()
{
    static Palette* pal = [] {
        auto* p = MakeStock<Palette>();
        for (int i = 0; i < 20; ++i)
            p->entries.push_back(PALETTEENTRY { kStatic[i][0], kStatic[i][1], kStatic[i][2], 0 });
        return p;
    }();
    return pal;
}

const std::array<PALETTEENTRY, 256>& SystemPalette() { return TheScreen().system; }
bool ScreenIsPalette() { return TheScreen().palette; }
int ScreenWidth() { return TheScreen().width; }
int ScreenHeight() { return TheScreen().height; }

std::vector<RGBQUAD> ContextColorTable(DC* dc, int entries)
{
    std::vector<RGBQUAD> table(static_cast<size_t>(entries), RGBQUAD { 0, 0, 0, 0 });
    auto put = [&](int i, const PALETTEENTRY& e) { table[i] = RGBQUAD { e.peBlue, e.peGreen, e.peRed, 0 }; };
    if (entries == 2) {
        // Monochrome DIBs are black and white whatever the palette.
        table[1] = RGBQUAD { 255, 255, 255, 0 };
        return table;
    }
    if (dc && dc->palette && dc->palette != DefaultPalette()) {
        const auto& e = dc->palette->entries;
        for (int i = 0; i < entries && i < static_cast<int>(e.size()); ++i)
            put(i, e[i]);
        return table;
    }
    if (entries == 16) {
        // The 16 colours of the default palette's ends, in the usual 4-bit order.
        static constexpr int order[16] = { 0, 1, 2, 3, 4, 5, 6, 12, 7, 13, 14, 15, 16, 17, 18, 19 };
        for (int i = 0; i < 16; ++i)
            put(i, DefaultPalette()->entries[order[i]]);
        return table;
    }
    const auto& sys = SystemPalette();
    for (int i = 0; i < entries && i < 256; ++i)
        put(i, sys[i]);
    if (!ScreenIsPalette() && entries == 256) {
        // A true-colour screen has no palette of its own to offer: the free
        // entries between the static colours get a 6x6x6 colour cube and greys.
        int i = 10;
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    table[i++] = RGBQUAD { BYTE(b * 51), BYTE(g * 51), BYTE(r * 51), 0 };
        for (int k = 1; i < 246; ++i, ++k) {
            BYTE v = BYTE(k * 255 / 21);
            table[i] = RGBQUAD { v, v, v, 0 };
        }
    }
    return table;
}

NearestColor::NearestColor(const std::vector<RGBQUAD>& table)
    : m_cache(4096), m_used(4096, 0)
{
    for (const auto& q : table)
        m_table.push_back(PixelFromQuad(q) & 0xFFFFFF);
    if (m_table.empty())
        m_table.push_back(0);
}

uint8_t NearestColor::operator()(uint32_t pixel)
{
    pixel &= 0xFFFFFF;
    if (m_haveLast && pixel == m_lastPixel)
        return m_lastIndex;
    uint32_t slot = (pixel * 2654435761u) >> 20;
    for (uint32_t probe = 0; probe < 8; ++probe) {
        uint32_t s = (slot + probe) & 4095;
        if (!m_used[s])
            break;
        if (m_cache[s].first == pixel) {
            m_lastPixel = pixel;
            m_lastIndex = m_cache[s].second;
            m_haveLast = true;
            return m_lastIndex;
        }
    }
    int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
    int best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < m_table.size() && i < 256; ++i) {
        uint32_t t = m_table[i];
        int dr = r - int((t >> 16) & 0xFF), dg = g - int((t >> 8) & 0xFF), db = b - int(t & 0xFF);
        int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
            if (d == 0)
                break;
        }
    }
    for (uint32_t probe = 0; probe < 8; ++probe) {
        uint32_t s = (slot + probe) & 4095;
        if (!m_used[s]) {
            m_used[s] = 1;
            m_cache[s] = { pixel, static_cast<uint8_t>(best) };
            break;
        }
    }
    m_lastPixel = pixel;
    m_lastIndex = static_cast<uint8_t>(best);
    m_haveLast = true;
    return m_lastIndex;
}

Target TargetOf(DC* dc)
{
    Target t;
    RECT bounds {};
    if (dc->dcKind == DCKind::Memory && dc->bitmap && dc->bitmap != StockBitmap()) {
        t.bitmap = dc->bitmap;
        bounds = RECT { 0, 0, dc->bitmap->width, dc->bitmap->height };
    } else if (dc->dcKind == DCKind::Recording && dc->recording) {
        t.recording = dc->recording;
        bounds = RECT { 0, 0, dc->recording->Width(), dc->recording->Height() };
    } else {
        return t; // the screen has no surface of its own here; drawing on it shows nothing
    }
    t.clip = bounds;
    if (dc->clipped)
        IntersectRect(&t.clip, &bounds, &dc->clip);
    return t;
}

static void Select(Object*& slot, Object* next)
{
    if (slot)
        --slot->selections;
    slot = next;
    if (slot)
        ++slot->selections;
}

template<typename T>
static void SelectInto(T*& slot, T* next)
{
    Object* o = slot;
    Select(o, next);
    slot = static_cast<T*>(o);
}

static DC* NewDC(DCKind kind)
{
    auto* dc = new (std::nothrow) DC;
    if (!dc)
        return nullptr;
    dc->dcKind = kind;
    SelectInto(dc->pen, StockPen(BLACK_PEN));
    SelectInto(dc->brush, StockBrush(WHITE_BRUSH));
    SelectInto(dc->palette, DefaultPalette());
    if (kind == DCKind::Memory)
        SelectInto(dc->bitmap, StockBitmap());
    Register(dc);
    return dc;
}

static void FreeDC(DC* dc)
{
    Unregister(dc);
    SelectInto(dc->pen, static_cast<Pen*>(nullptr));
    SelectInto(dc->brush, static_cast<Brush*>(nullptr));
    SelectInto(dc->palette, static_cast<Palette*>(nullptr));
    SelectInto(dc->bitmap, static_cast<Bitmap*>(nullptr));
    delete dc;
}

} // namespace gdi

using namespace gdi;

HDC GetDC(HWND hwnd)
{
    // Windows of the toolkit paint through their own backing stores; a
    // context for any window is the screen's.
    return HandleOf<HDC>(NewDC(DCKind::Screen));
}

int ReleaseDC(HWND, HDC hdc)
{
    DC* dc = AsDC(hdc);
    if (!dc || dc->dcKind != DCKind::Screen)
        return 0;
    FreeDC(dc);
    return 1;
}

HDC CreateCompatibleDC(HDC hdc)
{
    if (hdc && !AsDC(hdc))
        return nullptr;
    return HandleOf<HDC>(NewDC(DCKind::Memory));
}

HDC GdiCreateRecordingDC(GdiRecording* recording)
{
    if (!recording)
        return nullptr;
    DC* dc = NewDC(DCKind::Recording);
    if (dc)
        dc->recording = recording;
    return HandleOf<HDC>(dc);
}

GdiRecording* GdiRecordingOf(HDC hdc)
{
    DC* dc = AsDC(hdc);
    return dc ? dc->recording : nullptr;
}

BOOL DeleteDC(HDC hdc)
{
    DC* dc = AsDC(hdc);
    if (!dc || dc->dcKind == DCKind::Screen)
        return FALSE;
    FreeDC(dc);
    return TRUE;
}

int GetDeviceCaps(HDC hdc, int index)
{
    DC* dc = AsDC(hdc);
    if (!dc)
        return 0;
    bool palette = dc->dcKind != DCKind::Recording && ScreenIsPalette();
    int width = ScreenWidth(), height = ScreenHeight(), dpiX = 96, dpiY = 96;
    if (dc->dcKind == DCKind::Recording) {
        width = dc->recording->Width();
        height = dc->recording->Height();
        dpiX = dc->recording->DpiX();
        dpiY = dc->recording->DpiY();
    }
    switch (index) {
    case DRIVERVERSION:
        return 0x4000;
    case TECHNOLOGY:
        return dc->dcKind == DCKind::Recording ? DT_RASPRINTER : DT_RASDISPLAY;
    case HORZSIZE:
        return static_cast<int>(width * 254LL / (dpiX * 10LL));
    case VERTSIZE:
        return static_cast<int>(height * 254LL / (dpiY * 10LL));
    case HORZRES:
    case PHYSICALWIDTH:
        return width;
    case VERTRES:
    case PHYSICALHEIGHT:
        return height;
    case PHYSICALOFFSETX:
    case PHYSICALOFFSETY:
        return 0;
    case BITSPIXEL:
        return palette ? 8 : (dc->dcKind == DCKind::Recording ? 24 : 32);
    case PLANES:
        return 1;
    case NUMCOLORS:
        return palette ? 20 : -1;
    case RASTERCAPS: {
        int caps = RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
        if (dc->dcKind != DCKind::Recording)
            caps |= RC_FLOODFILL;
        if (palette)
            caps |= RC_PALETTE;
        return caps;
    }
    case LOGPIXELSX:
        return dpiX;
    case LOGPIXELSY:
        return dpiY;
    case SIZEPALETTE:
        return palette ? 256 : 0;
    case NUMRESERVED:
        return palette ? 20 : 0;
    case COLORRES:
        return palette ? 18 : 24;
    default:
        return 0;
    }
}

DWORD GetObjectType(HGDIOBJ object)
{
    Object* o = LookupAny(object);
    if (!o)
        return 0;
    switch (o->kind) {
    case ObjectKind::Bitmap: return OBJ_BITMAP;
    case ObjectKind::Palette: return OBJ_PAL;
    case ObjectKind::Pen: return OBJ_PEN;
    case ObjectKind::Brush: return OBJ_BRUSH;
    case ObjectKind::DC: return static_cast<DC*>(o)->dcKind == DCKind::Memory ? OBJ_MEMDC : OBJ_DC;
    }
    return 0;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object)
{
    DC* dc = AsDC(hdc);
    Object* o = LookupAny(object);
    if (!dc || !o)
        return nullptr;
    switch (o->kind) {
    case ObjectKind::Bitmap: {
        // A bitmap goes into one memory context at a time.
        auto* bm = static_cast<Bitmap*>(o);
        if (dc->dcKind != DCKind::Memory)
            return nullptr;
        if (bm == dc->bitmap)
            return HandleOf<HGDIOBJ>(bm);
        if (bm->selections > 0 && bm != StockBitmap())
            return nullptr;
        Bitmap* old = dc->bitmap;
        SelectInto(dc->bitmap, bm);
        return HandleOf<HGDIOBJ>(old);
    }
    case ObjectKind::Pen: {
        Pen* old = dc->pen;
        SelectInto(dc->pen, static_cast<Pen*>(o));
        return HandleOf<HGDIOBJ>(old);
    }
    case ObjectKind::Brush: {
        Brush* old = dc->brush;
        SelectInto(dc->brush, static_cast<Brush*>(o));
        return HandleOf<HGDIOBJ>(old);
    }
    default:
        return nullptr; // palettes go through SelectPalette
    }
}

BOOL DeleteObject(HGDIOBJ object)
{
    Object* o = LookupAny(object);
    if (!o || o->kind == ObjectKind::DC)
        return FALSE;
    if (o->stock)
        return TRUE;
    if (o->selections > 0)
        return FALSE; // still selected into a context
    Unregister(o);
    delete o;
    return TRUE;
}

HGDIOBJ GetStockObject(int index)
{
    if (index >= WHITE_BRUSH && index <= NULL_BRUSH)
        return HandleOf<HGDIOBJ>(StockBrush(index));
    if (index >= WHITE_PEN && index <= NULL_PEN)
        return HandleOf<HGDIOBJ>(StockPen(index));
    if (index == DEFAULT_PALETTE)
        return HandleOf<HGDIOBJ>(DefaultPalette());
    return nullptr;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type)
{
    DC* dc = AsDC(hdc);
    if (!dc)
        return nullptr;
    switch (type) {
    case OBJ_PEN: return HandleOf<HGDIOBJ>(dc->pen);
    case OBJ_BRUSH: return HandleOf<HGDIOBJ>(dc->brush);
    case OBJ_PAL: return HandleOf<HGDIOBJ>(dc->palette);
    case OBJ_BITMAP: return HandleOf<HGDIOBJ>(dc->bitmap);
    default: return nullptr;
    }
}

int GetObject(HGDIOBJ object, int size, void* buffer)
{
    Object* o = LookupAny(object);
    if (!o)
        return 0;
    if (o->kind == ObjectKind::Bitmap) {
        if (!buffer)
            return sizeof(::BITMAP);
        if (size < static_cast<int>(sizeof(::BITMAP)))
            return 0;
        auto* bm = static_cast<Bitmap*>(o);
        ::BITMAP info {};
        info.bmWidth = bm->width;
        info.bmHeight = bm->height;
        info.bmWidthBytes = bm->width * 4;
        info.bmPlanes = 1;
        info.bmBitsPixel = 32;
        std::memcpy(buffer, &info, sizeof info);
        return sizeof info;
    }
    if (o->kind == ObjectKind::Palette) {
        if (!buffer || size < 2)
            return 2;
        WORD n = static_cast<WORD>(static_cast<Palette*>(o)->entries.size());
        std::memcpy(buffer, &n, 2);
        return 2;
    }
    return 0;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height)
{
    if (!AsDC(hdc))
        return nullptr;
    return HandleOf<HBITMAP>(NewBitmap(width, height));
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
    // Only the device's own format: 32 bits, rows of 0xAARRGGBB.
    if (planes != 1 || bitsPerPixel != 32)
        return nullptr;
    Bitmap* bm = NewBitmap(width, height);
    if (bm && bits && bm->pixels)
        std::memcpy(bm->pixels.get(), bits, static_cast<size_t>(width) * height * 4);
    return HandleOf<HBITMAP>(bm);
}

HPALETTE CreatePalette(const LOGPALETTE* palette)
{
    if (!palette || palette->palNumEntries == 0 || palette->palNumEntries > 256)
        return nullptr;
    auto* p = new (std::nothrow) Palette;
    if (!p)
        return nullptr;
    p->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    Register(p);
    return HandleOf<HPALETTE>(p);
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries)
{
    Palette* p = AsPalette(palette);
    if (!p)
        return 0;
    UINT size = static_cast<UINT>(p->entries.size());
    if (!entries)
        return size;
    if (start >= size)
        return 0;
    UINT n = std::min(count, size - start);
    std::copy_n(p->entries.begin() + start, n, entries);
    return n;
}

UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries)
{
    Palette* p = AsPalette(palette);
    if (!p || p->stock || !entries)
        return 0;
    UINT size = static_cast<UINT>(p->entries.size());
    if (start >= size)
        return 0;
    UINT n = std::min(count, size - start);
    std::copy_n(entries, n, p->entries.begin() + start);
    return n;
}

HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground)
{
    DC* dc = AsDC(hdc);
    Palette* p = AsPalette(palette);
    if (!dc || !p)
        return nullptr;
    Palette* old = dc->palette;
    SelectInto(dc->palette, p);
    dc->paletteBackground = forceBackground != FALSE;
    return HandleOf<HPALETTE>(old);
}

UINT RealizePalette(HDC hdc)
{
    DC* dc = AsDC(hdc);
    if (!dc || !dc->palette)
        return GDI_ERROR;
    Screen& s = TheScreen();
    if (!s.palette || dc->dcKind == DCKind::Recording || dc->palette == DefaultPalette())
        return 0;
    // A foreground realisation starts the free entries afresh; a background
    // one only takes entries nobody has claimed yet.
    if (!dc->paletteBackground) {
        for (int i = 10; i < 246; ++i)
            s.used[i] = false;
    }
    UINT mapped = 0;
    for (const auto& e : dc->palette->entries) {
        bool present = false;
        for (int i = 0; i < 256 && !present; ++i)
            present = s.used[i] && s.system[i].peRed == e.peRed && s.system[i].peGreen == e.peGreen && s.system[i].peBlue == e.peBlue;
        if (present)
            continue;
        for (int i = 10; i < 246; ++i) {
            if (!s.used[i]) {
                s.system[i] = PALETTEENTRY { e.peRed, e.peGreen, e.peBlue, 0 };
                s.used[i] = true;
                ++mapped;
                break;
            }
        }
    }
    return mapped;
}

UINT GetSystemPaletteEntries(HDC hdc, UINT start, UINT count, PALETTEENTRY* entries)
{
    DC* dc = AsDC(hdc);
    if (!dc || !ScreenIsPalette() || dc->dcKind == DCKind::Recording)
        return 0;
    if (!entries)
        return 256;
    if (start >= 256)
        return 0;
    UINT n = std::min<UINT>(count, 256 - start);
    std::copy_n(TheScreen().system.begin() + start, n, entries);
    return n;
}

UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color)
{
    Palette* p = AsPalette(palette);
    if (!p)
        return CLR_INVALID;
    std::vector<RGBQUAD> table;
    for (const auto& e : p->entries)
        table.push_back(RGBQUAD { e.peBlue, e.peGreen, e.peRed, 0 });
    NearestColor nearest(table);
    return nearest(PixelFromColorRef(color));
}

uint32_t* GdiBitmapBits(HBITMAP bitmap)
{
    Bitmap* bm = AsBitmap(bitmap);
    return bm ? bm->pixels.get() : nullptr;
}

int GdiBitmapWidth(HBITMAP bitmap)
{
    Bitmap* bm = AsBitmap(bitmap);
    return bm ? bm->width : 0;
}

int GdiBitmapHeight(HBITMAP bitmap)
{
    Bitmap* bm = AsBitmap(bitmap);
    return bm ? bm->height : 0;
}

int GdiBitmapStride(HBITMAP bitmap)
{
    Bitmap* bm = AsBitmap(bitmap);
    return bm ? bm->width * 4 : 0;
}

HBITMAP GdiSelectedBitmap(HDC hdc)
{
    DC* dc = AsDC(hdc);
    if (!dc || dc->dcKind != DCKind::Memory || dc->bitmap == StockBitmap())
        return nullptr;
    return HandleOf<HBITMAP>(dc->bitmap);
}

void GdiSetScreenPaletteDevice(bool palette)
{
    TheScreen().palette = palette;
    ResetSystemPalette(TheScreen());
}

bool GdiScreenIsPaletteDevice() { return ScreenIsPalette(); }
void GdiResetSystemPalette() { ResetSystemPalette(TheScreen()); }

void GdiSetScreenSize(int width, int height)
{
    TheScreen().width = std::max(1, width);
    TheScreen().height = std::max(1, height);
}

int GdiLiveObjectCount()
{
    std::lock_guard lock(TableMutex());
    int n = 0;
    for (const auto& [handle, object] : Table())
        n += object->stock ? 0 : 1;
    return n;
}

bool GdiIsObject(HGDIOBJ object)
{
    Object* o = LookupAny(object);
    return o && o->kind != ObjectKind::DC;
}

bool GdiIsDC(HDC hdc) { return AsDC(hdc) != nullptr; }
