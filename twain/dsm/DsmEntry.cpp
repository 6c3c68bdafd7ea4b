// The manager library's one export.
#include "twain/dsm/TDataSourceManager.h"

extern "C" __attribute__((visibility("default"))) TW_UINT16 DSM_Entry(TW_IDENTITY* origin, TW_IDENTITY* dest,
                                                                     TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg,
                                                                     TW_MEMREF data)
{
    return TDataSourceManager::Instance().Entry(origin, dest, group, dat, msg, data);
}
