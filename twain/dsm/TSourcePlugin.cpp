#include "twain/dsm/TSourcePlugin.h"
#include <cstring>

TW_IDENTITY TSourcePlugin::MakeIdentity(const char* manufacturer, const char* family, const char* product)
{
    TW_IDENTITY id {};
    id.Version.MajorNum = 1;
    id.Version.MinorNum = 2;
    id.Version.Language = 13;
    id.Version.Country = 1;
    std::strncpy(id.Version.Info, "Velmora", 32);
    id.ProtocolMajor = 1;
    id.ProtocolMinor = 7;
    id.SupportedGroups = DG_CONTROL | DG_IMAGE;
    std::strncpy(id.Manufacturer, manufacturer, 32);
    std::strncpy(id.ProductFamily, family, 32);
    std::strncpy(id.ProductName, product, 32);
    return id;
}

void TSourcePlugin::CloseAll()
{
    for (auto& [app, source] : m_sources)
        source->Shutdown();
    m_sources.clear();
}

TW_UINT16 TSourcePlugin::Entry(TW_IDENTITY* origin, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    TW_UINT32 app = origin ? origin->Id : 0;
    auto open = m_sources.find(app);
    if (group == DG_CONTROL && dat == DAT_IDENTITY) {
        auto* id = static_cast<TW_IDENTITY*>(data);
        if (!id)
            return Fail(TWCC_BADVALUE);
        switch (msg) {
        case MSG_GETFIRST:
            m_listed = Devices();
            m_next = 0;
            [[fallthrough]];
        case MSG_GETNEXT:
            if (m_next >= m_listed.size())
                return TWRC_ENDOFLIST;
            *id = m_listed[m_next++];
            return TWRC_SUCCESS;
        case MSG_OPENDS: {
            if (open != m_sources.end())
                return Fail(TWCC_MAXCONNECTIONS);
            TW_UINT16 condition = TWCC_NODS;
            std::unique_ptr<TDataSource> source = Open(*id, condition);
            if (!source)
                return Fail(condition);
            m_sources[app] = std::move(source);
            return TWRC_SUCCESS;
        }
        case MSG_CLOSEDS:
            if (open == m_sources.end())
                return Fail(TWCC_SEQERROR);
            open->second->Shutdown();
            m_sources.erase(open);
            return TWRC_SUCCESS;
        default:
            return Fail(TWCC_BADPROTOCOL);
        }
    }
    if (open == m_sources.end()) {
        if (group == DG_CONTROL && dat == DAT_STATUS && msg == MSG_GET && data) {
            static_cast<TW_STATUS*>(data)->ConditionCode = m_condition;
            m_condition = TWCC_SUCCESS;
            return TWRC_SUCCESS;
        }
        return Fail(TWCC_SEQERROR);
    }
    return open->second->Entry(origin, group, dat, msg, data);
}
