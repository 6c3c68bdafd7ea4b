// The SANE bridge's plugin: one source per SANE device.
#include "twain/dsm/TSourcePlugin.h"
#include "twain/dsm/sources/sane/TSaneSource.h"
#include <cstring>
#include <map>

namespace {

class TSaneBridgePlugin : public TSourcePlugin {
public:
    ~TSaneBridgePlugin() override
    {
        CloseAll();
        if (m_initialised)
            sane_exit();
    }

protected:
    std::vector<TW_IDENTITY> Devices() override
    {
        std::vector<TW_IDENTITY> identities;
        if (!Initialise())
            return identities;
        const SANE_Device** list = nullptr;
        if (sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || !list)
            return identities;
        m_devices.clear();
        for (const SANE_Device** d = list; *d; ++d) {
            if (!(*d)->name)
                continue;
            // The product name is the device's name, cut to the record's 32
            // characters; the full name is kept to open it.
            TW_IDENTITY id = MakeIdentity((*d)->vendor ? (*d)->vendor : "", (*d)->model ? (*d)->model : "", (*d)->name);
            m_devices[ProductNameOf(id)] = (*d)->name;
            identities.push_back(id);
        }
        return identities;
    }

    std::unique_ptr<TDataSource> Open(const TW_IDENTITY& device, TW_UINT16& condition) override
    {
        if (!Initialise()) {
            condition = TWCC_BUMMER;
            return nullptr;
        }
        auto known = m_devices.find(ProductNameOf(device));
        AnsiString name = known != m_devices.end() ? known->second : ProductNameOf(device);
        SANE_Handle handle = nullptr;
        SANE_Status status = sane_open(name.c_str(), &handle);
        if (status != SANE_STATUS_GOOD) {
            condition = status == SANE_STATUS_INVAL ? TWCC_NODS : TSaneSource::ConditionFor(status);
            return nullptr;
        }
        // The first open in this process sees the device as it came; later
        // opens start again from those values.
        auto defaults = m_defaults.find(name);
        if (defaults == m_defaults.end())
            defaults = m_defaults.emplace(name, TSaneScan::Capture(handle)).first;
        return std::make_unique<TSaneSource>(device, name, handle, defaults->second);
    }

private:
    bool Initialise()
    {
        if (!m_initialised) {
            SANE_Int version = 0;
            m_initialised = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
        }
        return m_initialised;
    }

    bool m_initialised { false };
    std::map<AnsiString, AnsiString> m_devices; // product name -> SANE device name
    std::map<AnsiString, TSaneScan::Snapshot> m_defaults; // by device name
};

}

extern "C" __attribute__((visibility("default"))) TW_UINT16 DS_Entry(TW_IDENTITY* origin, TW_UINT32 group,
                                                                    TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    static TSaneBridgePlugin plugin;
    return plugin.Entry(origin, group, dat, msg, data);
}
