#pragma once
// A non-visual component that acquires one image at a time from a scanner
// through the TWAIN data source manager ("TWAIN_32.DLL"). It opens the manager
// with the application window as parent, lets the user choose a source, and for
// each acquisition opens the source, fixes the native transfer mechanism and
// enables it; the source is then served from the application's message loop
// (the component installs itself as the application-wide message filter) until
// it delivers an image or asks to be closed, and OnScanReady fires.
//
// States: 1 nothing loaded, 2 library loaded, 3 manager open (idle),
// 4 source open, 5 source enabled; 6 and 7 only inside ProcessSourceMessage.
// Each flag changes only after its manager call succeeded.
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/TComponent.h"
#include "platform/vcl/forms/TScreen.h"
#include "platform/win/core/Windows.h"
#include "twain/ETwainError.h"
#include "twain/TwainRecords.h"
#include "twain/TwainTypes.h"
#include <functional>

class TBitmap;
struct TDibLayout;

class TTwainScanner : public TComponent {
public:
    explicit TTwainScanner(TComponent* owner = nullptr);
    ~TTwainScanner() override;

    // --- What the copier's window calls (virtual so a window can be tested with a double).
    virtual void InitTWAIN();
    virtual void SelectDataSource();
    // Starts one acquisition into bitmap and returns at once.
    virtual void Acquire(TBitmap* bitmap);
    virtual void fSetProductname(const AnsiString& text);
    virtual void SetShowUI(bool show);
    // Whether the last acquisition put a new image into its bitmap. Cleared by
    // Acquire, set when the native transfer replaced the bitmap.
    virtual bool ImageDelivered() const { return FImageDelivered; }

    // --- States.
    void OpenDataSourceManager();
    void CloseDataSourceManager();
    void OpenDataSource();
    void CloseDataSource();
    void EnableDataSource();
    void DisableDataSource();
    bool IsDataSourceManagerOpen() const { return FDSMOpen; }
    bool IsDataSourceOpen() const { return FDSOpen; }
    bool IsDataSourceEnabled() const { return FDSEnabled; }

    // Offers one window message to the source; true when the source took it.
    bool ProcessSourceMessage(MSG& msg);
    // The application-wide message filter.
    virtual void fNewOnMessageHandler(MSG& msg, bool& handled);

    TW_UINT16 CallDataSourceManager(TW_IDENTITY* dest, unsigned int group, unsigned short dat, unsigned short msg,
                                    void* data);
    TW_UINT16 CallDataSource(unsigned int group, unsigned short dat, unsigned short msg, void* data);
    bool fLoadTwain();
    void fUnloadTwain();

    // --- Transfer.
    void XferMech();
    bool fNativeXfer();
    bool fFileXfer();
    bool fMemoryXfer();
    // Raises OnScanReady; descendants may replace it.
    virtual void ScanReady();

    // --- Conditions and checks.
    AnsiString Condition2String(unsigned short condition) const;
    [[noreturn]] void RaiseLastDataSourceManagerCondition(const AnsiString& module);
    [[noreturn]] void RaiseLastDataSourceCondition(const AnsiString& module);
    void TwainCheckDataSourceManager(unsigned short result, const AnsiString& module);
    void TwainCheckDataSource(unsigned short result, const AnsiString& module);

    // --- Default source and driver discovery.
    void SaveDefaultSourceEntry();
    void RestoreDefaultSourceEntry();
    bool IsTwainDriverAvailable() const;
    const AnsiString& SavedDefaultSource() const { return FSavedDefaultSource; }

    // --- Published properties.
    TTransferType Destination() const { return fGetDestination(); }
    TTransferType fGetDestination() const { return FDestination; }
    void fSetDestination(TTransferType value);
    bool TwainDriverFound() const { return IsTwainDriverAvailable(); }
    AnsiString Productname() const { return fGetProductname(); }
    AnsiString fGetProductname() const;
    AnsiString Manufacturer() const { return fGetManufacturer(); }
    AnsiString fGetManufacturer() const;
    void fSetManufacturer(const AnsiString& text);
    AnsiString ProductFamily() const { return fGetProductFamily(); }
    AnsiString fGetProductFamily() const;
    void fSetProductFamily(const AnsiString& text);
    TLanguageType Language() const { return fGetLanguage(); }
    TLanguageType fGetLanguage() const;
    void fSetLanguage(TLanguageType value);
    TCountryType Country() const { return fGetCountry(); }
    TCountryType fGetCountry() const;
    void fSetCountry(TCountryType value);
    bool ShowUI() const { return FShowUI; }
    TCursor Cursor() const;
    void SetCursor(TCursor cursor);
    TImageType FileFormat() const { return fGetImageType(); }
    TImageType fGetImageType() const;
    void fSetImageType(TImageType value);
    AnsiString Filename() const { return fGetFilename(); }
    AnsiString fGetFilename() const;
    void fSetFilename(const AnsiString& name);
    AnsiString VersionInfo() const { return fGetVersionInfo(); }
    AnsiString fGetVersionInfo() const;
    void fSetVersionInfo(const AnsiString& text);
    unsigned short VersionMajor() const { return fGetVersionMajor(); }
    unsigned short fGetVersionMajor() const { return FAppIdentity.Version.MajorNum; }
    void fSetVersionMajor(unsigned short value) { FAppIdentity.Version.MajorNum = value; }
    unsigned short VersionMinor() const { return fGetVersionMinor(); }
    unsigned short fGetVersionMinor() const { return FAppIdentity.Version.MinorNum; }
    void fSetVersionMinor(unsigned short value) { FAppIdentity.Version.MinorNum = value; }

    TNotifyEvent OnScanReady;

    // The records exchanged with the manager (read access for callers and tests).
    const TW_IDENTITY& AppIdentity() const { return FAppIdentity; }
    const TW_IDENTITY& SourceIdentity() const { return FSourceIdentity; }
    TBitmap* TargetBitmap() const { return FBitmap; }
    bool LibraryLoaded() const { return FLibHandle != nullptr; }
    // The manager's entry point, one for the whole process.
    static DSMENTRYPROC EntryPoint();

private:
    void TransferSequence();
    void CloseSequence();
    void AbandonTransfer() noexcept;
    void GiveBitmap(const unsigned char* block, const TDibLayout& layout);
    [[noreturn]] void RaiseStatus(TW_IDENTITY* dest, const AnsiString& module);
    void TwainCheck(unsigned short result, const AnsiString& module, bool source);

    TBitmap* FBitmap { nullptr };
    HMODULE FLibHandle { nullptr };
    TW_IDENTITY FAppIdentity {};
    TW_IDENTITY FSourceIdentity {};
    TW_HANDLE FParent { 0 };
    TTransferType FDestination { xfNative };
    bool FDSMOpen { false };
    bool FDSOpen { false };
    bool FDSEnabled { false };
    bool FShowUI { true };
    bool FHookInstalled { false };
    bool FImageDelivered { false };
    AnsiString FSavedDefaultSource;
    std::function<void(MSG&, bool&)> FOldOnMessage;
    TW_UINT16 FFileFormat { 2 };
    char FFilename[256] {};
};
