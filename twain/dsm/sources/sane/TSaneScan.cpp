#include "twain/dsm/sources/sane/TSaneScan.h"
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

struct Option {
    SANE_Int index { -1 };
    const SANE_Option_Descriptor* descriptor { nullptr };
};

Option findOption(SANE_Handle handle, const char* name)
{
    SANE_Int count = 0;
    if (sane_control_option(handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        return {};
    for (SANE_Int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle, i);
        if (d && d->name && SameText(d->name, name))
            return { i, d };
    }
    return {};
}

bool settable(const Option& o)
{
    return o.descriptor && SANE_OPTION_IS_ACTIVE(o.descriptor->cap) && SANE_OPTION_IS_SETTABLE(o.descriptor->cap);
}

SANE_Status setText(SANE_Handle handle, const Option& o, const AnsiString& text)
{
    const SANE_Option_Descriptor* d = o.descriptor;
    SANE_Int info = 0;
    switch (d->type) {
    case SANE_TYPE_BOOL: {
        SANE_Word v = (SameText(text, "1") || SameText(text, "yes") || SameText(text, "true")) ? SANE_TRUE : SANE_FALSE;
        return sane_control_option(handle, o.index, SANE_ACTION_SET_VALUE, &v, &info);
    }
    case SANE_TYPE_INT: {
        SANE_Word v = static_cast<SANE_Word>(std::strtol(text.c_str(), nullptr, 10));
        return sane_control_option(handle, o.index, SANE_ACTION_SET_VALUE, &v, &info);
    }
    case SANE_TYPE_FIXED: {
        SANE_Word v = SANE_FIX(std::strtod(text.c_str(), nullptr));
        return sane_control_option(handle, o.index, SANE_ACTION_SET_VALUE, &v, &info);
    }
    case SANE_TYPE_STRING: {
        std::vector<char> v(std::max<size_t>(text.size() + 1, static_cast<size_t>(d->size)), '\0');
        std::memcpy(v.data(), text.data(), text.size());
        return sane_control_option(handle, o.index, SANE_ACTION_SET_VALUE, v.data(), &info);
    }
    default:
        return SANE_STATUS_UNSUPPORTED;
    }
}

// The range's end of a geometry option, for "the whole bed".
void setToLimit(SANE_Handle handle, const char* name, bool maximum)
{
    Option o = findOption(handle, name);
    if (!settable(o) || o.descriptor->constraint_type != SANE_CONSTRAINT_RANGE || o.descriptor->size != sizeof(SANE_Word))
        return;
    SANE_Word v = maximum ? o.descriptor->constraint.range->max : o.descriptor->constraint.range->min;
    SANE_Int info = 0;
    sane_control_option(handle, o.index, SANE_ACTION_SET_VALUE, &v, &info);
}

inline uint8_t sample(const uint8_t* row, size_t index, int depth)
{
    if (depth == 16) {
        uint16_t word;
        std::memcpy(&word, row + index * 2, 2);
        return static_cast<uint8_t>(word >> 8);
    }
    return row[index];
}

}

TSaneScan::Snapshot TSaneScan::Capture(SANE_Handle handle)
{
    Snapshot snapshot;
    SANE_Int count = 0;
    if (sane_control_option(handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        return snapshot;
    for (SANE_Int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle, i);
        if (!d || !d->name || !*d->name || d->size <= 0 || !settable({ i, d }))
            continue;
        if (d->type != SANE_TYPE_BOOL && d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED && d->type != SANE_TYPE_STRING)
            continue;
        Snapshot::Value value { d->name, std::vector<uint8_t>(size_t(d->size)) };
        if (sane_control_option(handle, i, SANE_ACTION_GET_VALUE, value.bytes.data(), nullptr) == SANE_STATUS_GOOD)
            snapshot.values.push_back(std::move(value));
    }
    return snapshot;
}

void TSaneScan::Apply(SANE_Handle handle, const Settings& given, const Snapshot& defaults)
{
    for (const Snapshot::Value& value : defaults.values) {
        Option o = findOption(handle, value.name.c_str());
        if (!settable(o) || size_t(o.descriptor->size) != value.bytes.size())
            continue;
        std::vector<uint8_t> bytes = value.bytes;
        SANE_Int info = 0;
        sane_control_option(handle, o.index, SANE_ACTION_SET_VALUE, bytes.data(), &info);
    }
    Settings settings = given;
    auto preset = [&](const char* name, const char* value) {
        bool named = false;
        for (const auto& [key, v] : settings)
            named = named || SameText(key, name);
        if (!named)
            settings[name] = value;
    };
    preset("mode", "Color");
    preset("resolution", "300");

    // The source first: it may change the geometry's ranges; then the mode,
    // then the rest in name order.
    for (const char* first : { "source", "mode" }) {
        for (const auto& [name, value] : settings) {
            if (!SameText(name, first))
                continue;
            Option o = findOption(handle, name.c_str());
            if (settable(o))
                setText(handle, o, value);
        }
    }
    bool geometryGiven = false;
    for (const auto& [name, value] : settings) {
        if (SameText(name, "source") || SameText(name, "mode"))
            continue;
        if (SameText(name, "tl-x") || SameText(name, "tl-y") || SameText(name, "br-x") || SameText(name, "br-y"))
            geometryGiven = true;
        Option o = findOption(handle, name.c_str());
        if (settable(o))
            setText(handle, o, value);
    }
    if (!geometryGiven) {
        setToLimit(handle, "tl-x", false);
        setToLimit(handle, "tl-y", false);
        setToLimit(handle, "br-x", true);
        setToLimit(handle, "br-y", true);
    }
}

SANE_Status TSaneScan::Run(SANE_Handle handle, const std::atomic<bool>& cancel)
{
    GlobalFree(m_image);
    m_image = 0;
    std::vector<std::vector<uint8_t>> frames;
    std::vector<SANE_Frame> formats;
    SANE_Parameters params {};
    bool threePass = false;
    SANE_Status status = SANE_STATUS_GOOD;
    int lines = 0;
    for (;;) {
        if (cancel) {
            status = SANE_STATUS_CANCELLED;
            break;
        }
        status = sane_start(handle);
        if (status != SANE_STATUS_GOOD)
            break;
        status = sane_get_parameters(handle, &params);
        if (status != SANE_STATUS_GOOD)
            break;
        threePass = threePass || params.format == SANE_FRAME_RED || params.format == SANE_FRAME_GREEN
            || params.format == SANE_FRAME_BLUE;
        // Read straight into the frame's buffer; it grows only for a device
        // that does not know its height.
        std::vector<uint8_t> data;
        size_t expected = params.lines > 0 && params.bytes_per_line > 0
            ? size_t(params.lines) * size_t(params.bytes_per_line)
            : size_t(1) << 20;
        data.resize(expected);
        size_t used = 0;
        for (;;) {
            if (cancel) {
                status = SANE_STATUS_CANCELLED;
                break;
            }
            if (used == data.size())
                data.resize(data.size() * 2);
            size_t room = std::min<size_t>(data.size() - used, 1 << 30);
            SANE_Int got = 0;
            status = sane_read(handle, data.data() + used, static_cast<SANE_Int>(room), &got);
            if (got > 0)
                used += size_t(got);
            if (status != SANE_STATUS_GOOD)
                break;
        }
        data.resize(used);
        if (status != SANE_STATUS_EOF)
            break;
        status = SANE_STATUS_GOOD;
        if (params.bytes_per_line <= 0)
            break;
        // A hand scanner does not know its height before the end: count the rows read.
        int frameLines = static_cast<int>(data.size() / size_t(params.bytes_per_line));
        lines = lines ? std::min(lines, frameLines) : frameLines;
        frames.push_back(std::move(data));
        formats.push_back(params.format);
        if (params.last_frame || frames.size() >= 3)
            break;
    }
    sane_cancel(handle);
    if (status != SANE_STATUS_GOOD)
        return status;
    if (frames.empty() || lines <= 0)
        return SANE_STATUS_IO_ERROR;
    std::vector<const uint8_t*> pointers;
    if (threePass) {
        // The colour frames arrive in whatever order the device sends them;
        // each says which colour it is.
        pointers.assign(3, nullptr);
        for (size_t i = 0; i < frames.size(); ++i) {
            int slot = formats[i] == SANE_FRAME_RED ? 0 : formats[i] == SANE_FRAME_GREEN ? 1 : formats[i] == SANE_FRAME_BLUE ? 2 : -1;
            if (slot >= 0)
                pointers[size_t(slot)] = frames[i].data();
        }
        for (const uint8_t* f : pointers)
            if (!f)
                return SANE_STATUS_IO_ERROR;
    } else {
        pointers.push_back(frames.front().data());
    }
    m_image = Pack(params, lines, pointers, threePass);
    return m_image ? SANE_STATUS_GOOD : SANE_STATUS_NO_MEM;
}

HGLOBAL TSaneScan::Pack(const SANE_Parameters& p, int lines, const std::vector<const uint8_t*>& frames, bool threePass)
{
    const int width = p.pixels_per_line;
    const int depth = p.depth;
    if (width <= 0 || lines <= 0 || width > 65535 || lines > 65535 || frames.empty())
        return 0;
    bool gray = !threePass && p.format == SANE_FRAME_GRAY;
    bool rgb = threePass || p.format == SANE_FRAME_RGB;
    if (!gray && !rgb)
        return 0;
    if (!(depth == 8 || depth == 16 || (gray && depth == 1)))
        return 0;
    int channels = (rgb && !threePass) ? 3 : 1;
    size_t needed = (size_t(width) * channels * depth + 7) / 8;
    if (size_t(p.bytes_per_line) < needed)
        return 0;

    const uint16_t bits = gray ? (depth == 1 ? 1 : 8) : 24;
    const uint32_t colours = bits == 1 ? 2 : bits == 8 ? 256 : 0;
    const size_t rowBytes = (size_t(width) * bits + 31) / 32 * 4;
    const size_t header = 40 + size_t(colours) * 4;
    const size_t total = header + rowBytes * size_t(lines);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, total);
    auto* out = static_cast<uint8_t*>(GlobalLock(block));
    if (!out) {
        GlobalFree(block);
        return 0;
    }
    std::memset(out, 0, header);
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(out + at, &v, 4); };
    put32(0, 40);
    put32(4, uint32_t(width));
    put32(8, uint32_t(lines));
    uint16_t planes = 1;
    std::memcpy(out + 12, &planes, 2);
    std::memcpy(out + 14, &bits, 2);
    put32(20, uint32_t(rowBytes * size_t(lines)));
    put32(32, colours);
    uint8_t* table = out + 40;
    if (bits == 1) {
        // Line art: a set bit is black, as in SANE's own format.
        std::memset(table, 0xFF, 3);
    } else if (bits == 8) {
        for (uint32_t i = 0; i < 256; ++i)
            std::memset(table + i * 4, int(i), 3);
    }
    uint8_t* pixels = out + header;
    const size_t stride = size_t(p.bytes_per_line);
    const size_t used = bits == 24 ? size_t(width) * 3 : bits == 8 ? size_t(width) : (size_t(width) + 7) / 8;
    for (int y = 0; y < lines; ++y) {
        uint8_t* row = pixels + size_t(lines - 1 - y) * rowBytes; // bottom-up
        std::memset(row + used, 0, rowBytes - used);
        if (bits == 1) {
            std::memcpy(row, frames[0] + size_t(y) * stride, (size_t(width) + 7) / 8);
        } else if (bits == 8) {
            const uint8_t* in = frames[0] + size_t(y) * stride;
            if (depth == 8)
                std::memcpy(row, in, size_t(width));
            else
                for (int x = 0; x < width; ++x)
                    row[x] = sample(in, size_t(x), depth);
        } else if (threePass) {
            const uint8_t* r = frames[0] + size_t(y) * stride;
            const uint8_t* g = frames[1] + size_t(y) * stride;
            const uint8_t* b = frames[2] + size_t(y) * stride;
            for (int x = 0; x < width; ++x) {
                row[x * 3] = sample(b, size_t(x), depth);
                row[x * 3 + 1] = sample(g, size_t(x), depth);
                row[x * 3 + 2] = sample(r, size_t(x), depth);
            }
        } else {
            const uint8_t* in = frames[0] + size_t(y) * stride;
            if (depth == 8) {
                for (int x = 0; x < width; ++x) {
                    row[x * 3] = in[x * 3 + 2];
                    row[x * 3 + 1] = in[x * 3 + 1];
                    row[x * 3 + 2] = in[x * 3];
                }
            } else {
                for (int x = 0; x < width; ++x) {
                    row[x * 3] = sample(in, size_t(x) * 3 + 2, depth);
                    row[x * 3 + 1] = sample(in, size_t(x) * 3 + 1, depth);
                    row[x * 3 + 2] = sample(in, size_t(x) * 3, depth);
                }
            }
        }
    }
    GlobalUnlock(block);
    return block;
}
