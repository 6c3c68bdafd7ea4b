#pragma once
// Our data source manager, the library that stands in for "TWAIN_32.DLL".
// It opens and closes for applications (assigning each its Id), finds the data
// sources as *.ds plugins anywhere under <Windows directory>/TWAIN_32/, answers
// the identity triplets (default, listing, the user's selection, open and
// close) and its own status, and passes every other triplet to the open source
// named as destination.
//
// The default source is the one recorded as "DEFAULT SOURCE" in section
// "TWAIN" of win.ini (the user's last choice in the selection), else the
// embedded virtual scanner, else the first source found. Plugins are listed
// lazily, the virtual scanner's first, so opening the default does not wait
// for slower plugins to look for their devices.
#include "platform/rtl/AnsiString.h"
#include "platform/win/core/Windows.h"
#include "twain/TwainRecords.h"
#include <map>
#include <memory>
#include <vector>

class TDataSourceManager {
public:
    static TDataSourceManager& Instance();

    TW_UINT16 Entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg,
                    TW_MEMREF data);

    static constexpr const char* kEmbeddedDefault = "Virtual Scanner";
    static constexpr const char* kEmbeddedDefaultFile = "virtual-scanner.ds";

private:
    struct Plugin {
        AnsiString path;
        HMODULE module { nullptr };
        DSENTRYPROC entry { nullptr };
        bool listed { false };
        std::vector<TW_IDENTITY> identities;
    };
    struct Source {
        TW_IDENTITY identity;
        Plugin* plugin;
    };
    struct Session {
        TW_HANDLE parent { 0 };
        std::vector<Source> listing; // for MSG_GETFIRST / MSG_GETNEXT
        size_t next { 0 };
        std::map<TW_UINT32, Plugin*> open; // by source Id
    };

    TW_UINT16 Fail(TW_UINT16 condition)
    {
        m_condition = condition;
        return TWRC_FAILURE;
    }
    TW_UINT16 OpenManager(TW_IDENTITY* origin, TW_MEMREF data);
    TW_UINT16 CloseManager(TW_IDENTITY* origin);
    TW_UINT16 Identity(TW_IDENTITY* origin, Session& session, TW_UINT16 msg, TW_IDENTITY* id);
    TW_UINT16 UserSelect(TW_IDENTITY* id);
    TW_UINT16 OpenSource(TW_IDENTITY* origin, Session& session, TW_IDENTITY* id);
    TW_UINT16 CloseSource(TW_IDENTITY* origin, Session& session, TW_IDENTITY* id);

    void LoadPlugins();
    void UnloadPlugins();
    void List(Plugin& plugin);
    std::vector<Source> AllSources();
    // The source of that product name (listing plugins until it is found).
    bool Find(const AnsiString& productName, Source& found);
    bool DefaultSource(Source& found);

    std::vector<std::unique_ptr<Plugin>> m_plugins;
    bool m_loaded { false };
    std::map<TW_UINT32, Session> m_sessions; // by application Id
    std::map<AnsiString, TW_UINT32> m_sourceIds; // product name -> Id, stable for the process
    TW_UINT32 m_nextApplicationId { 1 };
    TW_UINT32 m_nextSourceId { 1 };
    TW_UINT16 m_condition { TWCC_SUCCESS };
};
