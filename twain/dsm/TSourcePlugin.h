#pragma once
// The library side of a data source plugin (a *.ds file exporting DS_Entry):
// it lists the devices it offers, opens one source per application and
// device, and passes every other triplet to the open source of the calling
// application.
//
// Listing, in the manager's own protocol: DG_CONTROL / DAT_IDENTITY /
// MSG_GETFIRST, then MSG_GETNEXT, each filling a TW_IDENTITY, until
// TWRC_ENDOFLIST. MSG_OPENDS opens the device named by the record's
// ProductName (the record's Id is the one the manager assigned), MSG_CLOSEDS
// closes the caller's source.
#include "twain/dsm/TDataSource.h"
#include <map>
#include <memory>
#include <vector>

class TSourcePlugin {
public:
    virtual ~TSourcePlugin() = default;

    TW_UINT16 Entry(TW_IDENTITY* origin, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    // Closes every open source (the plugin is being unloaded).
    void CloseAll();

protected:
    virtual std::vector<TW_IDENTITY> Devices() = 0;
    // nullptr with a condition when the device cannot be opened.
    virtual std::unique_ptr<TDataSource> Open(const TW_IDENTITY& device, TW_UINT16& condition) = 0;

    // Fills the four texts of an identity (cut to 32 characters).
    static TW_IDENTITY MakeIdentity(const char* manufacturer, const char* family, const char* product);

private:
    TW_UINT16 Fail(TW_UINT16 condition)
    {
        m_condition = condition;
        return TWRC_FAILURE;
    }

    std::map<TW_UINT32, std::unique_ptr<TDataSource>> m_sources; // by application Id
    std::vector<TW_IDENTITY> m_listed;
    size_t m_next { 0 };
    TW_UINT16 m_condition { TWCC_SUCCESS };
};
