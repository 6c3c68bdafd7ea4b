#include "twain/dsm/sources/sane/TSaneScan.h"
#include <algorithm>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
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

// RGB to BGR over n bytes (whole pixels), one pixel at a time.
void swapRedBlueBytes(const uint8_t* in, uint8_t* out, size_t n)
{
    for (size_t i = 0; i + 3 <= n; i += 3) {
        out[i] = in[i + 2];
        out[i + 1] = in[i + 1];
        out[i + 2] = in[i];
    }
}

#if defined(__x86_64__)
// Five pixels per byte shuffle. A store writes 16 bytes of which 15 are
// pixels; the loop stops while a whole 16 bytes still lie inside the row, so
// the spare byte is always overwritten by the next step or the tail.
__attribute__((target("ssse3"))) void swapRedBlueSsse3(const uint8_t* in, uint8_t* out, size_t n)
{
    const __m128i swap = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    size_t i = 0;
    for (; i + 16 <= n; i += 15) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_shuffle_epi8(v, swap));
    }
    swapRedBlueBytes(in + i, out + i, n - i);
}
#endif

void swapRedBlue(const uint8_t* in, uint8_t* out, size_t n)
{
#if defined(__x86_64__)
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3) {
        swapRedBlueSsse3(in, out, n);
        return;
    }
#endif
    swapRedBlueBytes(in, out, n);
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

// Writes a packed DIB row by row straight into its movable block: 1-bit line
// art, 8-bit grey (from 8 or 16 bits) or 24-bit colour (from interleaved RGB
// or three separate frames, 8 or 16 bits). Rows are stored bottom-up.
class TSaneScan::DibWriter {
public:
    ~DibWriter()
    {
        if (m_block) {
            GlobalUnlock(m_block);
            GlobalFree(m_block);
        }
    }

    bool Begin(const SANE_Parameters& p, int lines, bool threePass)
    {
        m_width = p.pixels_per_line;
        m_depth = p.depth;
        m_lines = lines;
        m_threePass = threePass;
        if (m_width <= 0 || lines <= 0 || m_width > 65535 || lines > 65535)
            return false;
        bool gray = !threePass && p.format == SANE_FRAME_GRAY;
        m_rgb = !threePass && p.format == SANE_FRAME_RGB;
        if (!gray && !m_rgb && !threePass)
            return false;
        if (!(m_depth == 8 || m_depth == 16 || (gray && m_depth == 1)))
            return false;
        int channels = m_rgb ? 3 : 1;
        if (size_t(p.bytes_per_line) < (size_t(m_width) * channels * m_depth + 7) / 8)
            return false;
        m_bits = gray ? (m_depth == 1 ? 1 : 8) : 24;
        uint32_t colours = m_bits == 1 ? 2 : m_bits == 8 ? 256 : 0;
        m_rowBytes = (size_t(m_width) * m_bits + 31) / 32 * 4;
        m_used = m_bits == 24 ? size_t(m_width) * 3 : m_bits == 8 ? size_t(m_width) : (size_t(m_width) + 7) / 8;
        m_header = 40 + size_t(colours) * 4;
        m_block = GlobalAlloc(GMEM_MOVEABLE, m_header + m_rowBytes * size_t(lines));
        m_out = static_cast<uint8_t*>(GlobalLock(m_block));
        if (!m_out)
            return false;
        std::memset(m_out, 0, m_header);
        put32(0, 40);
        put32(4, uint32_t(m_width));
        put32(8, uint32_t(lines));
        uint16_t planes = 1, bits = m_bits;
        std::memcpy(m_out + 12, &planes, 2);
        std::memcpy(m_out + 14, &bits, 2);
        put32(20, uint32_t(m_rowBytes * size_t(lines)));
        put32(32, colours);
        uint8_t* table = m_out + 40;
        if (m_bits == 1) {
            // Line art: a set bit is black, as in SANE's own format.
            std::memset(table, 0xFF, 3);
        } else if (m_bits == 8) {
            for (uint32_t i = 0; i < 256; ++i)
                std::memset(table + i * 4, int(i), 3);
        }
        return true;
    }

    // Row y (from the top); src holds one row per frame (three in three-pass mode: red, green, blue).
    void Row(int y, const uint8_t* const* src)
    {
        uint8_t* row = m_out + m_header + size_t(m_lines - 1 - y) * m_rowBytes;
        std::memset(row + m_used, 0, m_rowBytes - m_used);
        if (m_bits == 1) {
            std::memcpy(row, src[0], m_used);
        } else if (m_bits == 8) {
            if (m_depth == 8)
                std::memcpy(row, src[0], m_used);
            else
                for (int x = 0; x < m_width; ++x)
                    row[x] = sample(src[0], size_t(x), m_depth);
        } else if (m_threePass) {
            for (int x = 0; x < m_width; ++x) {
                row[x * 3] = sample(src[2], size_t(x), m_depth);
                row[x * 3 + 1] = sample(src[1], size_t(x), m_depth);
                row[x * 3 + 2] = sample(src[0], size_t(x), m_depth);
            }
        } else if (m_depth == 8) {
            swapRedBlue(src[0], row, m_used);
        } else {
            for (int x = 0; x < m_width; ++x) {
                row[x * 3] = sample(src[0], size_t(x) * 3 + 2, m_depth);
                row[x * 3 + 1] = sample(src[0], size_t(x) * 3 + 1, m_depth);
                row[x * 3 + 2] = sample(src[0], size_t(x) * 3, m_depth);
            }
        }
    }

    // The finished block; when fewer rows came than announced, the image is
    // cut to the rows that came.
    HGLOBAL Finish(int rows)
    {
        if (rows <= 0)
            return 0;
        if (rows < m_lines) {
            uint8_t* pixels = m_out + m_header;
            std::memmove(pixels, pixels + size_t(m_lines - rows) * m_rowBytes, size_t(rows) * m_rowBytes);
            put32(8, uint32_t(rows));
            put32(20, uint32_t(m_rowBytes * size_t(rows)));
        }
        GlobalUnlock(m_block);
        HGLOBAL block = m_block;
        m_block = 0;
        return block;
    }

private:
    void put32(size_t at, uint32_t v) { std::memcpy(m_out + at, &v, 4); }

    HGLOBAL m_block { 0 };
    uint8_t* m_out { nullptr };
    int m_width { 0 }, m_depth { 0 }, m_lines { 0 };
    bool m_threePass { false }, m_rgb { false };
    uint16_t m_bits { 0 };
    size_t m_rowBytes { 0 }, m_used { 0 }, m_header { 0 };
};

SANE_Status TSaneScan::Run(SANE_Handle handle, const std::atomic<bool>& cancel)
{
    GlobalFree(m_image);
    m_image = 0;
    SANE_Status status = sane_start(handle);
    SANE_Parameters params {};
    if (status == SANE_STATUS_GOOD)
        status = sane_get_parameters(handle, &params);
    if (status == SANE_STATUS_GOOD) {
        bool single = params.last_frame && (params.format == SANE_FRAME_GRAY || params.format == SANE_FRAME_RGB);
        // A single frame of known height goes straight into the bitmap's
        // block as its rows arrive; separate colour frames and devices that
        // do not know their height are collected first.
        status = single && params.lines > 0 ? Stream(handle, params, cancel) : Collect(handle, params, cancel);
    }
    sane_cancel(handle);
    return status;
}

SANE_Status TSaneScan::Stream(SANE_Handle handle, const SANE_Parameters& params, const std::atomic<bool>& cancel)
{
    DibWriter writer;
    if (!writer.Begin(params, params.lines, false))
        return SANE_STATUS_INVAL;
    const size_t stride = size_t(params.bytes_per_line);
    std::vector<uint8_t> buffer(std::max<size_t>(stride, 256 * 1024 / stride * stride));
    size_t filled = 0;
    int row = 0;
    SANE_Status status = SANE_STATUS_GOOD;
    while (row < params.lines) {
        if (cancel)
            return SANE_STATUS_CANCELLED;
        SANE_Int got = 0;
        status = sane_read(handle, buffer.data() + filled, static_cast<SANE_Int>(buffer.size() - filled), &got);
        filled += size_t(std::max<SANE_Int>(got, 0));
        size_t complete = filled / stride;
        for (size_t i = 0; i < complete && row < params.lines; ++i, ++row) {
            const uint8_t* src = buffer.data() + i * stride;
            writer.Row(row, &src);
        }
        std::memmove(buffer.data(), buffer.data() + complete * stride, filled - complete * stride);
        filled -= complete * stride;
        if (status != SANE_STATUS_GOOD)
            break;
    }
    if (status != SANE_STATUS_GOOD && status != SANE_STATUS_EOF)
        return status;
    m_image = writer.Finish(row);
    return m_image ? SANE_STATUS_GOOD : SANE_STATUS_IO_ERROR;
}

SANE_Status TSaneScan::Collect(SANE_Handle handle, SANE_Parameters params, const std::atomic<bool>& cancel)
{
    std::vector<std::vector<uint8_t>> frames;
    std::vector<SANE_Frame> formats;
    bool threePass = false;
    int lines = 0;
    for (;;) {
        threePass = threePass || params.format == SANE_FRAME_RED || params.format == SANE_FRAME_GREEN
            || params.format == SANE_FRAME_BLUE;
        std::vector<uint8_t> data;
        size_t expected = params.lines > 0 && params.bytes_per_line > 0
            ? size_t(params.lines) * size_t(params.bytes_per_line)
            : size_t(1) << 20;
        data.resize(expected);
        size_t used = 0;
        SANE_Status status = SANE_STATUS_GOOD;
        for (;;) {
            if (cancel)
                return SANE_STATUS_CANCELLED;
            // Grows only for a device that does not know its height.
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
        if (status != SANE_STATUS_EOF)
            return status;
        if (params.bytes_per_line <= 0)
            return SANE_STATUS_IO_ERROR;
        data.resize(used);
        int frameLines = static_cast<int>(used / size_t(params.bytes_per_line));
        lines = lines ? std::min(lines, frameLines) : frameLines;
        frames.push_back(std::move(data));
        formats.push_back(params.format);
        if (params.last_frame || frames.size() >= 3)
            break;
        if (cancel)
            return SANE_STATUS_CANCELLED;
        status = sane_start(handle);
        if (status == SANE_STATUS_GOOD)
            status = sane_get_parameters(handle, &params);
        if (status != SANE_STATUS_GOOD)
            return status;
    }
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
    if (frames.size() != (threePass ? 3u : 1u))
        return 0;
    DibWriter writer;
    if (!writer.Begin(p, lines, threePass))
        return 0;
    const size_t stride = size_t(p.bytes_per_line);
    const uint8_t* rows[3] {};
    for (int y = 0; y < lines; ++y) {
        for (size_t f = 0; f < frames.size(); ++f)
            rows[f] = frames[f] + size_t(y) * stride;
        writer.Row(y, rows);
    }
    return writer.Finish(lines);
}
