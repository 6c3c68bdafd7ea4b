#pragma once
// One scan from an open SANE device: the settings applied to its options, the
// frames read (blocking, meant for a worker thread) and the image packed as a
// device-independent bitmap in a movable global block.
//
// Settings are SANE option names with their values as text ("mode" = "Color",
// "resolution" = "300", "source" = "Automatic Document Feeder", ...). Unless a
// setting says otherwise a scan is in colour at 300 dpi over the whole bed.
#include "platform/rtl/AnsiString.h"
#include "platform/win/memory/GlobalMemory.h"
#include <atomic>
#include <map>
#include <sane/sane.h>
#include <vector>

class TSaneScan {
public:
    using Settings = std::map<AnsiString, AnsiString>;

    // The values of a device's options as it came, to put back what earlier
    // settings changed: an option the settings do not name has its default.
    struct Snapshot {
        struct Value {
            AnsiString name;
            std::vector<uint8_t> bytes;
        };
        std::vector<Value> values;
    };
    static Snapshot Capture(SANE_Handle handle);

    // Puts the snapshot's values back, then applies the settings. Options the
    // settings name that the device lacks are skipped; values the device
    // clamps are taken as it clamps them.
    static void Apply(SANE_Handle handle, const Settings& settings, const Snapshot& defaults);

    // Reads every frame of one image. cancel is checked between reads; the
    // scan is ended with sane_cancel in every case. On SANE_STATUS_GOOD the
    // packed DIB is in Image() (owned until taken).
    SANE_Status Run(SANE_Handle handle, const std::atomic<bool>& cancel);

    HGLOBAL TakeImage()
    {
        HGLOBAL image = m_image;
        m_image = 0;
        return image;
    }
    ~TSaneScan() { GlobalFree(m_image); }

    // Turns raw frames into a packed DIB: gray (1, 8 or 16 bits), RGB or three
    // separate colour frames (8 or 16 bits). 0 when the parameters make no
    // sense or memory is short.
    static HGLOBAL Pack(const SANE_Parameters& params, int lines, const std::vector<const uint8_t*>& frames,
                        bool threePass);

private:
    class DibWriter;
    SANE_Status Stream(SANE_Handle handle, const SANE_Parameters& params, const std::atomic<bool>& cancel);
    SANE_Status Collect(SANE_Handle handle, SANE_Parameters params, const std::atomic<bool>& cancel);

    HGLOBAL m_image { 0 };
};
