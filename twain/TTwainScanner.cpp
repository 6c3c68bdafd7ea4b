#include "twain/TTwainScanner.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/forms/TApplication.h"
#include "platform/vcl/graphics/TBitmap.h"
#include "platform/vcl/registry/TIniFile.h"
#include "platform/win/gdi/WinGdi.h"
#include "platform/win/memory/GlobalMemory.h"
#include "platform/win/module/Module.h"
#include "platform/win/prefix/FindFile.h"
#include "platform/win/prefix/Prefix.h"
#include "twain/TDibLayout.h"
#include "twain/TwainMessages.h"
#include <algorithm>
#include <cstring>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// The manager's entry point is one per process: loading the library in any
// instance sets it, unloading in any instance clears it.
DSMENTRYPROC g_dsmEntry = nullptr;

constexpr const char* kLibraryName = "TWAIN_32.DLL";
constexpr const char* kEntryName = "DSM_Entry";
constexpr const char* kProfileName = "WIN.INI";
constexpr const char* kProfileSection = "TWAIN";
constexpr const char* kDefaultSourceKey = "DEFAULT SOURCE";
constexpr size_t kMaxDefaultSource = 2047;

void setText(TW_STR32& field, const AnsiString& text)
{
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text.data(), std::min<size_t>(text.size(), 32));
}

AnsiString getText(const char* field, size_t size)
{
    return AnsiString(field, strnlen(field, size));
}

// ASCII letters only, like the driver search has always done.
AnsiString upperAscii(const AnsiString& text)
{
    AnsiString result = text;
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return result;
}

void searchDrivers(const AnsiString& folder, bool& found)
{
    TSearchRec rec;
    if (FindFirst(folder + "/*.*", faAnyFile, rec) != 0)
        return;
    do {
        if (rec.Name == "." || rec.Name == "..")
            continue;
        if (rec.Attr & faDirectory) {
            searchDrivers(folder + "/" + rec.Name, found);
            continue;
        }
        auto dot = rec.Name.rfind('.');
        if (dot == AnsiString::npos)
            continue;
        if (upperAscii(rec.Name.substr(dot)) == ".DS" && upperAscii(rec.Name) != "WIATWAIN.DS")
            found = true;
    } while (FindNext(rec) == 0);
    FindClose(rec);
}

// A packed DIB's header and colour table in the form the bitmap calls take:
// always the 40-byte header, the colour masks or the (at most 256) colours
// right behind it.
struct NormalisedInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[259];
};

void normalise(const unsigned char* block, const TDibLayout& layout, NormalisedInfo& info)
{
    std::memset(&info, 0, sizeof info);
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = layout.width;
    info.header.biHeight = layout.height;
    info.header.biPlanes = 1;
    info.header.biBitCount = layout.bitCount;
    info.header.biCompression = layout.compression;
    if (layout.headerSize >= sizeof(BITMAPINFOHEADER)) {
        BITMAPINFOHEADER original;
        std::memcpy(&original, block, sizeof original);
        info.header.biXPelsPerMeter = original.biXPelsPerMeter;
        info.header.biYPelsPerMeter = original.biYPelsPerMeter;
    }
    if (layout.compression == BI_BITFIELDS) {
        // The masks follow the 40-byte part of the header in every header kind.
        std::memcpy(info.colors, block + sizeof(BITMAPINFOHEADER), 3 * sizeof(DWORD));
        return;
    }
    if (layout.bitCount > 8)
        return;
    uint32_t count = std::min<uint32_t>(layout.colorCount, 1u << layout.bitCount);
    info.header.biClrUsed = count;
    const unsigned char* table = block + layout.headerSize;
    for (uint32_t i = 0; i < count; ++i) {
        const unsigned char* entry = table + size_t(i) * layout.colorEntrySize;
        info.colors[i] = RGBQUAD { entry[0], entry[1], entry[2], 0 };
    }
}

// One 24-bit DIB row (blue, green, red) into 0xAARRGGBB pixels, four pixels
// from three words at a time.
void rgbRow(const unsigned char* s, uint32_t* d, size_t width)
{
    size_t x = 0;
    for (; x + 4 <= width; x += 4, s += 12) {
        uint32_t a, b, c;
        std::memcpy(&a, s, 4);
        std::memcpy(&b, s + 4, 4);
        std::memcpy(&c, s + 8, 4);
        d[x] = 0xFF000000u | (a & 0xFFFFFFu);
        d[x + 1] = 0xFF000000u | (a >> 24) | ((b & 0xFFFFu) << 8);
        d[x + 2] = 0xFF000000u | (b >> 16) | ((c & 0xFFu) << 16);
        d[x + 3] = 0xFF000000u | (c >> 8);
    }
    for (; x < width; ++x, s += 3)
        d[x] = 0xFF000000u | (uint32_t(s[2]) << 16) | (uint32_t(s[1]) << 8) | s[0];
}

#if defined(__x86_64__)
// The same with one byte shuffle per four pixels, stored past the cache (the
// page is far larger than any cache, and is not read again soon). Each load
// takes 16 bytes of which 12 are used, so the loop stops two pixels early and
// leaves the rest to rgbRow, never reading past the row.
__attribute__((target("ssse3"))) void rgbRowSsse3(const unsigned char* s, uint32_t* d, size_t width)
{
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));
    size_t x = 0;
    // Up to three pixels one by one, until the target is 16-byte aligned.
    size_t lead = ((16 - (reinterpret_cast<uintptr_t>(d) & 15)) & 15) / 4;
    if (reinterpret_cast<uintptr_t>(d) % 4 != 0 || lead > width)
        lead = width;
    rgbRow(s, d, lead);
    x = lead;
    for (; x + 6 <= width; x += 4) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 3 * x));
        _mm_stream_si128(reinterpret_cast<__m128i*>(d + x), _mm_or_si128(_mm_shuffle_epi8(v, spread), opaque));
    }
    rgbRow(s + 3 * x, d + x, width - x);
}
#endif

// 24-bit DIB rows into the screen bitmap's pixels: a scanned page is some
// nine million pixels, and this is most of the transfer's work.
void copyRgbRows(const unsigned char* dib, const TDibLayout& layout, uint32_t* bits, int stride)
{
    const int rows = layout.height < 0 ? -layout.height : layout.height;
    const size_t width = size_t(layout.width);
    auto row = rgbRow;
#if defined(__x86_64__)
    if (__builtin_cpu_supports("ssse3"))
        row = rgbRowSsse3;
#endif
    for (int y = 0; y < rows; ++y) {
        const unsigned char* s = dib + size_t(layout.height < 0 ? y : rows - 1 - y) * layout.rowBytes;
        row(s, reinterpret_cast<uint32_t*>(reinterpret_cast<unsigned char*>(bits) + size_t(y) * size_t(stride)), width);
    }
#if defined(__x86_64__)
    _mm_sfence(); // the streamed stores are visible before the bitmap is used
#endif
}

} // namespace

TTwainScanner::TTwainScanner(TComponent* owner)
    : TComponent(owner)
{
    FAppIdentity.Version.MajorNum = 1;
    FAppIdentity.Version.MinorNum = 0;
    FAppIdentity.Version.Language = kLanguageCodes[lgAmerican];
    FAppIdentity.Version.Country = kCountryCodes[ctUSA];
    setText(FAppIdentity.Version.Info, "Velmora TWAIN component 1.2");
    FAppIdentity.ProtocolMajor = 1;
    FAppIdentity.ProtocolMinor = 7;
    FAppIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    setText(FAppIdentity.Manufacturer, "Velmora");
    setText(FAppIdentity.ProductFamily, "Velmora Copier");
    setText(FAppIdentity.ProductName, "Velmora Copier");
    fSetFilename("C:\\TWAIN.BMP");
}

TTwainScanner::~TTwainScanner()
{
    // Destruction never raises: each step is tried, whatever the one before did.
    try {
        if (FDSEnabled)
            DisableDataSource();
    } catch (...) {
    }
    try {
        if (FDSOpen)
            CloseDataSource();
    } catch (...) {
    }
    try {
        if (FDSMOpen)
            CloseDataSourceManager();
    } catch (...) {
    }
    fUnloadTwain();
    try {
        if (!FSavedDefaultSource.empty())
            RestoreDefaultSourceEntry();
    } catch (...) {
    }
    // Only a hook this component installed is taken out again; a component
    // that never ran InitTWAIN leaves the application's filter alone.
    if (FHookInstalled && Application)
        Application->OnMessage = FOldOnMessage;
}

DSMENTRYPROC TTwainScanner::EntryPoint()
{
    return g_dsmEntry;
}

// --- Loading and the calls -------------------------------------------------

bool TTwainScanner::fLoadTwain()
{
    if (!FLibHandle) {
        FLibHandle = LoadLibraryA(kLibraryName);
        if (FLibHandle)
            g_dsmEntry = reinterpret_cast<DSMENTRYPROC>(GetProcAddress(FLibHandle, kEntryName));
    }
    return FLibHandle != nullptr;
}

void TTwainScanner::fUnloadTwain()
{
    if (!FLibHandle)
        return;
    g_dsmEntry = nullptr;
    FreeLibrary(FLibHandle);
    FLibHandle = nullptr;
}

TW_UINT16 TTwainScanner::CallDataSourceManager(TW_IDENTITY* dest, unsigned int group, unsigned short dat,
                                               unsigned short msg, void* data)
{
    VCL_ASSERT(g_dsmEntry != nullptr, "Assertion failure");
    return g_dsmEntry(&FAppIdentity, dest, group, dat, msg, data);
}

TW_UINT16 TTwainScanner::CallDataSource(unsigned int group, unsigned short dat, unsigned short msg, void* data)
{
    return CallDataSourceManager(&FSourceIdentity, group, dat, msg, data);
}

// --- States ------------------------------------------------------------------

void TTwainScanner::InitTWAIN()
{
    HWND window = Application ? Application->Handle() : nullptr;
    TW_HANDLE handle = static_cast<TW_HANDLE>(reinterpret_cast<uintptr_t>(window));
    // While the manager is open the Id is the one it assigned; keep it.
    if (!FDSMOpen)
        FAppIdentity.Id = handle;
    FParent = handle;
    fLoadTwain();
    // One hook per component: a second call must not save our own hook as the
    // previous one (it would then call itself).
    if (!FHookInstalled && Application) {
        FOldOnMessage = Application->OnMessage;
        Application->OnMessage = [this](MSG& msg, bool& handled) { fNewOnMessageHandler(msg, handled); };
        FHookInstalled = true;
    }
    OpenDataSourceManager();
}

void TTwainScanner::OpenDataSourceManager()
{
    if (FDSMOpen)
        return;
    VCL_ASSERT(FAppIdentity.Id != 0, "Assertion failure");
    if (!fLoadTwain())
        throw ETwainError(ERR_TWAIN_NOT_LOADED);
    FAppIdentity.ProtocolMajor = 1;
    FAppIdentity.ProtocolMinor = 7;
    FAppIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    TW_UINT16 rc = CallDataSourceManager(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &FParent);
    TwainCheckDataSourceManager(rc, "OpenDataSourceManager");
    FDSMOpen = true;
}

void TTwainScanner::CloseDataSourceManager()
{
    if (FDSOpen)
        throw ETwainError(ERR_DSM_OPEN);
    if (FDSMOpen) {
        TW_UINT16 rc = CallDataSourceManager(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &FParent);
        TwainCheckDataSourceManager(rc, "CloseDataSourceManager");
        FDSMOpen = false;
    }
    fUnloadTwain();
    if (!FSavedDefaultSource.empty())
        RestoreDefaultSourceEntry();
}

void TTwainScanner::SelectDataSource()
{
    SaveDefaultSourceEntry();
    VCL_ASSERT(!FDSOpen, "Data Source must be closed");
    TW_IDENTITY scratch {};
    TW_UINT16 rc = CallDataSourceManager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &scratch);
    TwainCheckDataSourceManager(rc, "SelectDataSource1");
    rc = CallDataSourceManager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &scratch);
    if (rc == TWRC_CANCEL)
        return;
    TwainCheckDataSourceManager(rc, "SelectDataSource2");
    FSourceIdentity = scratch;
}

void TTwainScanner::OpenDataSource()
{
    VCL_ASSERT(FDSMOpen, "Data Source Manager must be open");
    if (FDSOpen)
        return;
    TW_UINT16 rc = CallDataSourceManager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &FSourceIdentity);
    TwainCheckDataSourceManager(rc, "OpenDataSource");
    FDSOpen = true;
}

void TTwainScanner::CloseDataSource()
{
    VCL_ASSERT(FDSMOpen, "Data Source Manager must be open");
    if (!FDSOpen)
        return;
    TW_UINT16 rc = CallDataSourceManager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &FSourceIdentity);
    TwainCheckDataSourceManager(rc, "CloseDataSource");
    FDSOpen = false;
}

void TTwainScanner::EnableDataSource()
{
    VCL_ASSERT(FDSOpen, "Data Source must be open");
    if (FDSEnabled)
        return;
    TW_USERINTERFACE ui {};
    ui.ShowUI = FShowUI ? TW_TRUE : TW_FALSE;
    ui.ModalUI = TW_TRUE;
    ui.hParent = FParent;
    TW_UINT16 rc = CallDataSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    TwainCheckDataSource(rc, "EnableDataSource");
    FDSEnabled = true;
}

void TTwainScanner::DisableDataSource()
{
    VCL_ASSERT(FDSOpen, "Data Source must be open");
    if (!FDSEnabled)
        return;
    TW_USERINTERFACE ui {};
    ui.ShowUI = TW_TRUE;
    ui.ModalUI = TW_FALSE;
    ui.hParent = FParent;
    TW_UINT16 rc = CallDataSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    TwainCheckDataSource(rc, "DisableDataSource");
    FDSEnabled = false;
}

void TTwainScanner::Acquire(TBitmap* bitmap)
{
    FBitmap = bitmap;
    FImageDelivered = false;
    OpenDataSourceManager();
    OpenDataSource();
    XferMech();
    EnableDataSource();
}

// --- The message hook ------------------------------------------------------------

void TTwainScanner::fNewOnMessageHandler(MSG& msg, bool& handled)
{
    handled = ProcessSourceMessage(msg);
    if (FOldOnMessage)
        FOldOnMessage(msg, handled);
}

bool TTwainScanner::ProcessSourceMessage(MSG& msg)
{
    if (!FDSMOpen || !FDSOpen)
        return false;
    TW_EVENT event {};
    event.pEvent = &msg;
    event.TWMessage = MSG_NULL;
    TW_UINT16 rc = CallDataSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
    switch (event.TWMessage) {
    case MSG_XFERREADY:
        TransferSequence();
        CloseSequence();
        break;
    case MSG_CLOSEDSREQ:
    case MSG_CLOSEDSOK:
        CloseSequence();
        break;
    default:
        break;
    }
    // Only the source's own event counts as taken: a source that answers every
    // message with a failure (open but not enabled, say) must not swallow the
    // application's messages.
    return rc == TWRC_DSEVENT;
}

void TTwainScanner::TransferSequence()
{
    try {
        switch (FDestination) {
        case xfNative:
            fNativeXfer();
            break;
        case xfMemory:
            fMemoryXfer();
            break;
        case xfFile:
            fFileXfer();
            break;
        }
        TW_PENDINGXFERS pending {};
        TW_UINT16 rc = CallDataSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
        TwainCheckDataSource(rc, "Check for Pending Transfers");
        if (pending.Count != 0) {
            rc = CallDataSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
            TwainCheckDataSource(rc, "Abort Pending Transfers");
        }
    } catch (...) {
        // A failed transfer must not strand the source enabled: every later
        // Acquire would be refused. Put it back to state 3, then report.
        AbandonTransfer();
        throw;
    }
}

void TTwainScanner::AbandonTransfer() noexcept
{
    try {
        TW_PENDINGXFERS pending {};
        CallDataSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
    } catch (...) {
    }
    try {
        DisableDataSource();
    } catch (...) {
    }
    try {
        CloseDataSource();
    } catch (...) {
    }
}

void TTwainScanner::CloseSequence()
{
    DisableDataSource();
    CloseDataSource();
    ScanReady();
}

void TTwainScanner::ScanReady()
{
    if (OnScanReady)
        OnScanReady(this);
}

// --- Transfer ------------------------------------------------------------------------

void TTwainScanner::XferMech()
{
    FDestination = xfNative;
    HGLOBAL container = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
    VCL_ASSERT(container != 0, "Assertion failure");
    struct Release {
        HGLOBAL handle;
        ~Release() { GlobalFree(handle); }
    } release { container };
    auto* value = static_cast<TW_ONEVALUE*>(GlobalLock(container));
    VCL_ASSERT(value != nullptr, "Assertion failure");
    value->ItemType = TWTY_UINT16;
    value->Item = TWSX_NATIVE;
    GlobalUnlock(container);
    TW_CAPABILITY cap {};
    cap.Cap = ICAP_XFERMECH;
    cap.ConType = TWON_ONEVALUE;
    cap.hContainer = container;
    TW_UINT16 rc = CallDataSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap);
    TwainCheckDataSource(rc, "XferMech");
}

bool TTwainScanner::fNativeXfer()
{
    TW_UINT32 handle = 0;
    TW_UINT16 rc = CallDataSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    if (rc == TWRC_FAILURE)
        RaiseLastDataSourceCondition("Native Transfer");
    if (rc != TWRC_XFERDONE)
        return false;
    // The block is ours now; it is freed whatever happens below.
    struct Release {
        HGLOBAL handle;
        bool locked { false };
        ~Release()
        {
            if (locked)
                GlobalUnlock(handle);
            GlobalFree(handle);
        }
    } release { handle };
    auto* block = static_cast<const unsigned char*>(GlobalLock(handle));
    if (!block)
        throw ETwainError(Format(ERR_DS, "Native Transfer", "The source handed over no image."));
    release.locked = true;
    TDibLayout layout;
    AnsiString why;
    if (!TDibLayout::Check(block, GlobalSize(handle), layout, why))
        throw ETwainError(Format(ERR_DS, "Native Transfer",
                                 ("The image is not a valid device-independent bitmap: " + why + ".").c_str()));
    GiveBitmap(block, layout);
    return true;
}

void TTwainScanner::GiveBitmap(const unsigned char* block, const TDibLayout& layout)
{
    NormalisedInfo info;
    normalise(block, layout, info);
    const void* pixels = block + layout.pixelOffset;
    const auto* bitmapInfo = reinterpret_cast<const BITMAPINFO*>(&info);
    int rows = layout.height < 0 ? -layout.height : layout.height;
    HDC dc = GetDC(nullptr);
    // A target of the page's size (the previous page, as a rule) takes the new
    // pixels in place: a full page is some 35 MB, and a fresh bitmap would be
    // allocated, cleared and faulted in on every scan.
    bool sameSize = FBitmap && FBitmap->Handle() && FBitmap->Width() == layout.width && FBitmap->Height() == rows;
    if (layout.bitCount == 24 && layout.compression == BI_RGB && FBitmap) {
        // The common scanner format is copied straight into the bitmap's pixels.
        HBITMAP bitmap = sameSize ? FBitmap->Handle() : CreateCompatibleBitmap(dc, layout.width, rows);
        ReleaseDC(nullptr, dc);
        uint32_t* bits = bitmap ? GdiBitmapBits(bitmap) : nullptr;
        if (!bits) {
            if (bitmap && !sameSize)
                DeleteObject(bitmap);
            throw ETwainError(Format(ERR_DS, "Native Transfer", "The image could not be turned into a bitmap."));
        }
        copyRgbRows(static_cast<const unsigned char*>(pixels), layout, bits, GdiBitmapStride(bitmap));
        if (sameSize)
            FBitmap->Changed();
        else
            FBitmap->SetHandle(bitmap);
        FImageDelivered = true;
        return;
    }
    if (sameSize) {
        int lines = SetDIBits(dc, FBitmap->Handle(), 0, UINT(rows), pixels, bitmapInfo, DIB_RGB_COLORS);
        if (lines == rows) {
            ReleaseDC(nullptr, dc);
            FBitmap->Changed();
            FImageDelivered = true;
            return;
        }
    }
    HBITMAP bitmap = CreateDIBitmap(dc, &info.header, CBM_INIT, pixels, bitmapInfo, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    // A bitmap that cannot be made is an error, not an empty page: the target
    // keeps what it showed.
    if (!bitmap)
        throw ETwainError(Format(ERR_DS, "Native Transfer", "The image could not be turned into a bitmap."));
    if (!FBitmap) {
        DeleteObject(bitmap);
        return;
    }
    FBitmap->SetHandle(bitmap);
    FImageDelivered = true;
}

bool TTwainScanner::fFileXfer()
{
    return CallDataSource(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr) == TWRC_XFERDONE;
}

bool TTwainScanner::fMemoryXfer()
{
    // A buffered memory transfer needs its setup and transfer records, which
    // this component does not negotiate; the branch reports no image and does
    // not bother the source with an incomplete request.
    return false;
}

// --- Conditions and checks --------------------------------------------------------------

AnsiString TTwainScanner::Condition2String(unsigned short condition) const
{
    switch (condition) {
    case TWCC_SUCCESS:
        return "Operation was succesful.";
    case TWCC_BUMMER:
        return "General failure. Unload Source immediately.";
    case TWCC_LOWMEMORY:
        return "Not enough memory to complete the operation.";
    case TWCC_NODS:
        return "Data Source Manager was unable to find the specified Data Source.";
    case TWCC_MAXCONNECTIONS:
        return "Data Source is connected to maximum supported number of \r\napplications.";
    case TWCC_OPERATIONERROR:
        return "Data Source or Data Source Manager reported an error to the\r\nuser and handled the error. No "
               "application action required.";
    case TWCC_BADCAP:
        return "Capability not supported by source or operation (get,\r\nset) is not supported on capability, or "
               "capability had\r\ndependencies on other capabilities and cannot be\r\noperated upon at this time";
    case TWCC_BADPROTOCOL:
        return "Unrecognized operation triplet.";
    case TWCC_BADVALUE:
        return "Data parameter out of supported range.";
    case TWCC_SEQERROR:
        return "Illegal operation for current Data Source Manager\r\nand Data Source state.";
    case TWCC_BADDEST:
        return "Unknown destination in DSM_Entry.";
    case TWCC_CAPUNSUPPORTED:
        return "Capability not supported by Data Source.";
    case TWCC_CAPBADOPERATION:
        return "Operation not supported on capability.";
    case TWCC_CAPSEQERROR:
        return "Capability has dependencies on other capabilities and \r\ncannot be operated upon at this time.";
    case TWCC_DENIED:
        return "File System operation is denied (file is protected).";
    case TWCC_FILEEXISTS:
        return "Operation failed because file already exists.";
    case TWCC_FILENOTFOUND:
        return "File not found.";
    case TWCC_NOTEMPTY:
        return "Operation failed because directory is not empty.";
    case TWCC_PAPERJAM:
    case TWCC_PAPERDOUBLEFEED:
        return "Transfer failed because of a feeder error";
    default:
        return Format("Unknown condition %.04X", condition);
    }
}

void TTwainScanner::RaiseStatus(TW_IDENTITY* dest, const AnsiString& module)
{
    VCL_ASSERT(g_dsmEntry != nullptr, "Assertion failure");
    TW_STATUS status {};
    TW_UINT16 rc = CallDataSourceManager(dest, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    if (rc != TWRC_SUCCESS)
        throw ETwainError(ERR_STATUS);
    throw ETwainError(Format(ERR_DSM, module.c_str(), Condition2String(status.ConditionCode).c_str()));
}

void TTwainScanner::RaiseLastDataSourceManagerCondition(const AnsiString& module)
{
    RaiseStatus(nullptr, module);
}

void TTwainScanner::RaiseLastDataSourceCondition(const AnsiString& module)
{
    RaiseStatus(&FSourceIdentity, module);
}

void TTwainScanner::TwainCheck(unsigned short result, const AnsiString& module, bool source)
{
    if (result == TWRC_SUCCESS)
        return;
    if (result == TWRC_FAILURE)
        RaiseStatus(source ? &FSourceIdentity : nullptr, module);
    throw ETwainError(Format(ERR_UNKNOWN, module.c_str(), static_cast<unsigned>(result)));
}

void TTwainScanner::TwainCheckDataSourceManager(unsigned short result, const AnsiString& module)
{
    TwainCheck(result, module, false);
}

void TTwainScanner::TwainCheckDataSource(unsigned short result, const AnsiString& module)
{
    TwainCheck(result, module, true);
}

// --- Default source and driver discovery ------------------------------------------------------

void TTwainScanner::SaveDefaultSourceEntry()
{
    if (!FSavedDefaultSource.empty())
        return;
    TIniFile ini(kProfileName);
    FSavedDefaultSource = ini.ReadString(kProfileSection, kDefaultSourceKey, "");
    if (FSavedDefaultSource.size() > kMaxDefaultSource)
        FSavedDefaultSource.resize(kMaxDefaultSource);
}

void TTwainScanner::RestoreDefaultSourceEntry()
{
    if (FSavedDefaultSource.empty())
        return;
    TIniFile ini(kProfileName);
    ini.WriteString(kProfileSection, kDefaultSourceKey, FSavedDefaultSource);
    FSavedDefaultSource.clear();
}

bool TTwainScanner::IsTwainDriverAvailable() const
{
    char buffer[260] {};
    UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        return false;
    AnsiString folder(buffer, length);
    if (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    folder += "/TWAIN_32";
    bool found = false;
    searchDrivers(folder, found);
    return found;
}

// --- Properties ----------------------------------------------------------------------------------

void TTwainScanner::fSetProductname(const AnsiString& text)
{
    setText(FAppIdentity.ProductName, text);
}

AnsiString TTwainScanner::fGetProductname() const
{
    return getText(FAppIdentity.ProductName, sizeof FAppIdentity.ProductName);
}

AnsiString TTwainScanner::fGetManufacturer() const
{
    return getText(FAppIdentity.Manufacturer, sizeof FAppIdentity.Manufacturer);
}

void TTwainScanner::fSetManufacturer(const AnsiString& text)
{
    setText(FAppIdentity.Manufacturer, text);
}

AnsiString TTwainScanner::fGetProductFamily() const
{
    return getText(FAppIdentity.ProductFamily, sizeof FAppIdentity.ProductFamily);
}

void TTwainScanner::fSetProductFamily(const AnsiString& text)
{
    setText(FAppIdentity.ProductFamily, text);
}

AnsiString TTwainScanner::fGetVersionInfo() const
{
    return getText(FAppIdentity.Version.Info, sizeof FAppIdentity.Version.Info);
}

void TTwainScanner::fSetVersionInfo(const AnsiString& text)
{
    setText(FAppIdentity.Version.Info, text);
}

TLanguageType TTwainScanner::fGetLanguage() const
{
    for (int i = 0; i <= lgTurkish; ++i)
        if (kLanguageCodes[i] == FAppIdentity.Version.Language)
            return static_cast<TLanguageType>(i);
    return lgDutch;
}

void TTwainScanner::fSetLanguage(TLanguageType value)
{
    if (value < lgDutch || value > lgTurkish)
        return;
    FAppIdentity.Version.Language = kLanguageCodes[value];
}

TCountryType TTwainScanner::fGetCountry() const
{
    for (int i = 0; i <= ctTurkey; ++i)
        if (kCountryCodes[i] == FAppIdentity.Version.Country)
            return static_cast<TCountryType>(i);
    return ctNetherlands;
}

void TTwainScanner::fSetCountry(TCountryType value)
{
    if (value < ctNetherlands || value > ctTurkey)
        return;
    FAppIdentity.Version.Country = kCountryCodes[value];
}

void TTwainScanner::SetShowUI(bool show)
{
    FShowUI = show;
}

TCursor TTwainScanner::Cursor() const
{
    return Screen ? Screen->Cursor() : crDefault;
}

void TTwainScanner::SetCursor(TCursor cursor)
{
    if (Screen)
        Screen->SetCursor(cursor);
}

void TTwainScanner::fSetDestination(TTransferType value)
{
    FDestination = value;
}

TImageType TTwainScanner::fGetImageType() const
{
    return FFileFormat <= 9 ? static_cast<TImageType>(FFileFormat) : ffUNKNOWN;
}

void TTwainScanner::fSetImageType(TImageType value)
{
    FFileFormat = (value >= ffTIFF && value <= ffEXIF) ? static_cast<TW_UINT16>(value) : TW_UINT16(2);
}

AnsiString TTwainScanner::fGetFilename() const
{
    return getText(FFilename, sizeof FFilename);
}

void TTwainScanner::fSetFilename(const AnsiString& name)
{
    std::memset(FFilename, 0, sizeof FFilename);
    std::memcpy(FFilename, name.data(), std::min<size_t>(name.size(), sizeof FFilename - 1));
}
