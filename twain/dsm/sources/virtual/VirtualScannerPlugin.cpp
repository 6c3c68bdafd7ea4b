// The virtual scanner's plugin: one device.
#include "twain/dsm/TSourcePlugin.h"
#include "twain/dsm/sources/virtual/TVirtualScanner.h"
#include <cstring>

namespace {

class TVirtualScannerPlugin : public TSourcePlugin {
protected:
    std::vector<TW_IDENTITY> Devices() override
    {
        return { MakeIdentity("Velmora", "Virtual", "Virtual Scanner") };
    }

    std::unique_ptr<TDataSource> Open(const TW_IDENTITY& device, TW_UINT16& condition) override
    {
        if (std::strncmp(device.ProductName, "Virtual Scanner", sizeof device.ProductName) != 0) {
            condition = TWCC_NODS;
            return nullptr;
        }
        return std::make_unique<TVirtualScanner>(device);
    }
};

}

extern "C" __attribute__((visibility("default"))) TW_UINT16 DS_Entry(TW_IDENTITY* origin, TW_UINT32 group,
                                                                    TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    static TVirtualScannerPlugin plugin;
    return plugin.Entry(origin, group, dat, msg, data);
}
