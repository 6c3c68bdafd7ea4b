#include "twain/dsm/TDataSourceManager.h"
#include "platform/win/module/Module.h"
#include "platform/win/prefix/FindFile.h"
#include "platform/win/prefix/Prefix.h"
#include "platform/win/prefix/ProfileFile.h"
#include "twain/dsm/DsmHooks.h"
#include "twain/dsm/TDataSource.h"
#include <algorithm>
#include <cstring>

namespace {

constexpr const char* kSection = "TWAIN";
constexpr const char* kDefaultKey = "DEFAULT SOURCE";

bool isAllZero(const TW_IDENTITY& id)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&id);
    return std::all_of(bytes, bytes + sizeof id, [](unsigned char b) { return b == 0; });
}

bool hasDsExtension(const AnsiString& name)
{
    return name.size() > 3 && SameText(std::string_view(name).substr(name.size() - 3), ".ds");
}

// Every *.ds under folder, at any depth; links are followed, so the linked
// installation's sources count.
void findPlugins(const AnsiString& folder, std::vector<AnsiString>& found, int depth = 0)
{
    if (depth > 8)
        return;
    TSearchRec rec;
    if (FindFirst(folder + "/*", faAnyFile, rec) != 0)
        return;
    do {
        if (rec.Name == "." || rec.Name == "..")
            continue;
        AnsiString path = folder + "/" + rec.Name;
        if (rec.Attr & faDirectory)
            findPlugins(path, found, depth + 1);
        else if (hasDsExtension(rec.Name))
            found.push_back(path);
    } while (FindNext(rec) == 0);
    FindClose(rec);
}

AnsiString recordedDefault()
{
    char buffer[2048] {};
    GetProfileStringA(kSection, kDefaultKey, "", buffer, sizeof buffer);
    return buffer;
}

}

TDataSourceManager& TDataSourceManager::Instance()
{
    static TDataSourceManager manager;
    return manager;
}

TW_UINT16 TDataSourceManager::Entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 group, TW_UINT16 dat,
                                    TW_UINT16 msg, TW_MEMREF data)
{
    if (!origin)
        return Fail(TWCC_BADVALUE);
    auto session = m_sessions.find(origin->Id);

    // The manager's own status may be asked for at any time.
    if (!dest && group == DG_CONTROL && dat == DAT_STATUS && msg == MSG_GET) {
        if (!data)
            return Fail(TWCC_BADVALUE);
        static_cast<TW_STATUS*>(data)->ConditionCode = m_condition;
        m_condition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (!dest && group == DG_CONTROL && dat == DAT_PARENT) {
        if (msg == MSG_OPENDSM)
            return session == m_sessions.end() ? OpenManager(origin, data) : Fail(TWCC_SEQERROR);
        if (msg == MSG_CLOSEDSM)
            return session == m_sessions.end() ? Fail(TWCC_SEQERROR) : CloseManager(origin);
        return Fail(TWCC_BADPROTOCOL);
    }
    if (session == m_sessions.end())
        return Fail(TWCC_SEQERROR);

    if (!dest) {
        if (group == DG_CONTROL && dat == DAT_IDENTITY)
            return Identity(origin, session->second, msg, static_cast<TW_IDENTITY*>(data));
        return Fail(TWCC_BADPROTOCOL);
    }
    auto open = session->second.open.find(dest->Id);
    if (open == session->second.open.end()) {
        // A status request to a source that is not open answers for the
        // manager, which knows why the last call to it failed.
        if (group == DG_CONTROL && dat == DAT_STATUS && msg == MSG_GET && data) {
            static_cast<TW_STATUS*>(data)->ConditionCode = m_condition;
            m_condition = TWCC_SUCCESS;
            return TWRC_SUCCESS;
        }
        return Fail(TWCC_BADDEST);
    }
    return open->second->entry(origin, group, dat, msg, data);
}

TW_UINT16 TDataSourceManager::OpenManager(TW_IDENTITY* origin, TW_MEMREF data)
{
    if (!data)
        return Fail(TWCC_BADVALUE);
    if (!m_loaded)
        LoadPlugins();
    TW_UINT32 id = m_nextApplicationId++;
    Session& session = m_sessions[id];
    session.parent = *static_cast<TW_HANDLE*>(data);
    origin->Id = id;
    return TWRC_SUCCESS;
}

TW_UINT16 TDataSourceManager::CloseManager(TW_IDENTITY* origin)
{
    auto session = m_sessions.find(origin->Id);
    if (!session->second.open.empty())
        return Fail(TWCC_SEQERROR);
    m_sessions.erase(session);
    if (m_sessions.empty())
        UnloadPlugins();
    return TWRC_SUCCESS;
}

TW_UINT16 TDataSourceManager::Identity(TW_IDENTITY* origin, Session& session, TW_UINT16 msg, TW_IDENTITY* id)
{
    if (!id)
        return Fail(TWCC_BADVALUE);
    switch (msg) {
    case MSG_GETDEFAULT: {
        Source source;
        if (!DefaultSource(source))
            return Fail(TWCC_NODS);
        *id = source.identity;
        return TWRC_SUCCESS;
    }
    case MSG_GETFIRST:
        session.listing = AllSources();
        session.next = 0;
        [[fallthrough]];
    case MSG_GETNEXT:
        if (session.next >= session.listing.size())
            return TWRC_ENDOFLIST;
        *id = session.listing[session.next++].identity;
        return TWRC_SUCCESS;
    case MSG_USERSELECT:
        return UserSelect(id);
    case MSG_OPENDS:
        return OpenSource(origin, session, id);
    case MSG_CLOSEDS:
        return CloseSource(origin, session, id);
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 TDataSourceManager::UserSelect(TW_IDENTITY* id)
{
    std::vector<Source> sources = AllSources();
    if (sources.empty())
        return Fail(TWCC_NODS);
    std::vector<AnsiString> names;
    Source current;
    bool hasDefault = DefaultSource(current);
    int currentIndex = 0;
    for (const Source& s : sources) {
        if (hasDefault && s.identity.Id == current.identity.Id)
            currentIndex = static_cast<int>(names.size());
        names.push_back(ProductNameOf(s.identity));
    }
    int chosen = SelectSourceFromUser(names, currentIndex);
    if (chosen < 0)
        return TWRC_CANCEL;
    // The choice becomes the system's default source.
    WriteProfileStringA(kSection, kDefaultKey, names[chosen].c_str());
    *id = sources[chosen].identity;
    return TWRC_SUCCESS;
}

TW_UINT16 TDataSourceManager::OpenSource(TW_IDENTITY* origin, Session& session, TW_IDENTITY* id)
{
    Source source;
    bool found = isAllZero(*id) ? DefaultSource(source) : Find(ProductNameOf(*id), source);
    if (!found)
        return Fail(TWCC_NODS);
    if (session.open.count(source.identity.Id))
        return Fail(TWCC_SEQERROR);
    TW_IDENTITY opened = source.identity;
    TW_UINT16 rc = source.plugin->entry(origin, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &opened);
    if (rc != TWRC_SUCCESS) {
        // The plugin knows why; its condition becomes the manager's.
        TW_STATUS status {};
        source.plugin->entry(origin, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        return Fail(status.ConditionCode ? status.ConditionCode : TWCC_BUMMER);
    }
    session.open[source.identity.Id] = source.plugin;
    *id = source.identity;
    return TWRC_SUCCESS;
}

TW_UINT16 TDataSourceManager::CloseSource(TW_IDENTITY* origin, Session& session, TW_IDENTITY* id)
{
    auto open = session.open.find(id->Id);
    if (open == session.open.end())
        return Fail(TWCC_NODS);
    TW_UINT16 rc = open->second->entry(origin, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, id);
    if (rc != TWRC_SUCCESS) {
        TW_STATUS status {};
        open->second->entry(origin, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        return Fail(status.ConditionCode ? status.ConditionCode : TWCC_BUMMER);
    }
    session.open.erase(open);
    return TWRC_SUCCESS;
}

void TDataSourceManager::LoadPlugins()
{
    std::vector<AnsiString> paths;
    findPlugins(VelPrefix::DataSourceDirectory(), paths);
    // The embedded default first, then by path, so the order is stable.
    std::sort(paths.begin(), paths.end(), [](const AnsiString& a, const AnsiString& b) {
        auto embedded = [](const AnsiString& p) {
            auto slash = p.rfind('/');
            return SameText(p.substr(slash == AnsiString::npos ? 0 : slash + 1), kEmbeddedDefaultFile);
        };
        if (embedded(a) != embedded(b))
            return embedded(a);
        return a < b;
    });
    for (const AnsiString& path : paths) {
        HMODULE module = LoadLibraryA(path.c_str());
        if (!module)
            continue;
        auto entry = reinterpret_cast<DSENTRYPROC>(GetProcAddress(module, "DS_Entry"));
        if (!entry) {
            FreeLibrary(module);
            continue;
        }
        auto plugin = std::make_unique<Plugin>();
        plugin->path = path;
        plugin->module = module;
        plugin->entry = entry;
        m_plugins.push_back(std::move(plugin));
    }
    m_loaded = true;
}

void TDataSourceManager::UnloadPlugins()
{
    for (auto& plugin : m_plugins)
        FreeLibrary(plugin->module);
    m_plugins.clear();
    m_loaded = false;
}

void TDataSourceManager::List(Plugin& plugin)
{
    if (plugin.listed)
        return;
    plugin.listed = true;
    TW_IDENTITY id {};
    for (TW_UINT16 rc = plugin.entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &id); rc == TWRC_SUCCESS;
         rc = plugin.entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &id)) {
        AnsiString name = ProductNameOf(id);
        if (name.empty())
            continue;
        auto known = m_sourceIds.find(name);
        if (known == m_sourceIds.end())
            known = m_sourceIds.emplace(name, m_nextSourceId++).first;
        id.Id = known->second;
        plugin.identities.push_back(id);
        id = TW_IDENTITY {};
    }
}

std::vector<TDataSourceManager::Source> TDataSourceManager::AllSources()
{
    std::vector<Source> sources;
    for (auto& plugin : m_plugins) {
        List(*plugin);
        for (const TW_IDENTITY& id : plugin->identities)
            sources.push_back({ id, plugin.get() });
    }
    return sources;
}

bool TDataSourceManager::Find(const AnsiString& name, Source& found)
{
    if (name.empty())
        return false;
    for (auto& plugin : m_plugins) {
        List(*plugin);
        for (const TW_IDENTITY& id : plugin->identities) {
            if (ProductNameOf(id) == name) {
                found = { id, plugin.get() };
                return true;
            }
        }
    }
    return false;
}

bool TDataSourceManager::DefaultSource(Source& found)
{
    if (Find(recordedDefault(), found) || Find(kEmbeddedDefault, found))
        return true;
    std::vector<Source> all = AllSources();
    if (all.empty())
        return false;
    found = all.front();
    return true;
}
