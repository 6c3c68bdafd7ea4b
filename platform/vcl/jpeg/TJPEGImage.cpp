#include "platform/vcl/jpeg/TJPEGImage.h"
#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/graphics/TBitmap.h"
#include "platform/vcl/jpeg/EJPEG.h"
#include "platform/win/gdi/GdiExtensions.h"
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <sys/mman.h>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>
#include <jerror.h>

namespace {

// libjpeg reports errors through error_exit, which must not return. We jump
// back to the frame that called setjmp; that frame and every frame in between
// hold only plain data, so nothing is skipped that would need destroying.
struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->pub.format_message(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings would go to stderr; a compressor's warnings are not worth a word
// to the user, and errors arrive through ErrorExit.
void OutputMessage(j_common_ptr) { }

// Collects the encoded bytes in a malloc'd buffer that doubles when full.
// realloc moves a large block by remapping its pages, so growing is cheap;
// on failure the buffer stays with its owner, who frees it.
struct MallocDestination {
    jpeg_destination_mgr pub;
    uint8_t* buffer;
    size_t size;
};

void InitDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<MallocDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = dest->size;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo)
{
    // libjpeg calls this only when the whole buffer is full.
    auto* dest = reinterpret_cast<MallocDestination*>(cinfo->dest);
    size_t used = dest->size;
    size_t grown = 0;
    void* bigger = __builtin_mul_overflow(used, size_t { 2 }, &grown) ? nullptr : std::realloc(dest->buffer, grown);
    if (!bigger) {
        cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
        cinfo->err->error_exit(reinterpret_cast<j_common_ptr>(cinfo));
    }
    dest->buffer = static_cast<uint8_t*>(bigger);
    dest->size = grown;
    dest->pub.next_output_byte = dest->buffer + used;
    dest->pub.free_in_buffer = grown - used;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<MallocDestination*>(cinfo->dest);
    dest->size -= dest->pub.free_in_buffer;
}

struct EncodeJob {
    int width;
    int height;
    const uint8_t* pixels; // rows of width * 3 bytes, blue first
    int quality;
    bool grayscale;
    bool progressive;
};

// Returns false with err.message set when libjpeg failed. Only plain data
// lives in this frame: see ErrorManager.
bool RunCompressor(jpeg_compress_struct& cinfo, ErrorManager& err, MallocDestination& dest, const EncodeJob& job)
{
    if (setjmp(err.jump))
        return false;

    jpeg_create_compress(&cinfo);
    cinfo.dest = &dest.pub;
    cinfo.image_width = static_cast<JDIMENSION>(job.width);
    cinfo.image_height = static_cast<JDIMENSION>(job.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    if (job.grayscale)
        jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    // Baseline tables: every entry fits 8 bits, whatever the quality.
    jpeg_set_quality(&cinfo, job.quality, TRUE);
    if (job.progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);

    const size_t rowBytes = static_cast<size_t>(job.width) * 3;
    constexpr int kBatch = 16;
    JSAMPROW rows[kBatch];
    while (cinfo.next_scanline < cinfo.image_height) {
        int count = std::min<int>(kBatch, static_cast<int>(cinfo.image_height - cinfo.next_scanline));
        for (int i = 0; i < count; ++i) {
            // libjpeg's row type is not const, but the compressor only reads.
            rows[i] = const_cast<JSAMPROW>(job.pixels + (cinfo.next_scanline + static_cast<size_t>(i)) * rowBytes);
        }
        jpeg_write_scanlines(&cinfo, rows, static_cast<JDIMENSION>(count));
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

// A picture buffer of a page runs to tens of megabytes. Asking for huge pages
// saves the kernel thousands of page faults when the copy first writes it;
// where huge pages are not to be had, the advice is ignored.
uint8_t* AllocatePicture(size_t size)
{
    constexpr size_t kHugePage = 2 * 1024 * 1024;
    if (size < 2 * kHugePage)
        return static_cast<uint8_t*>(std::malloc(std::max<size_t>(size, 1)));
    size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
    void* block = std::aligned_alloc(kHugePage, rounded);
    if (block)
        ::madvise(block, rounded, MADV_HUGEPAGE);
    return static_cast<uint8_t*>(block);
}

// Drops the unused fourth byte of each pixel. A page at 300 dpi is 35 MB of
// surface, so this runs a byte shuffle where the processor has one.
void PackBGRXRowPortable(const uint8_t* in, uint8_t* out, int width)
{
    int x = 0;
    // Four pixels (16 bytes in) become three words (12 bytes out).
    for (; x + 4 <= width; x += 4, in += 16, out += 12) {
        uint32_t p[4];
        std::memcpy(p, in, 16);
        uint32_t w[3] = {
            (p[0] & 0xFFFFFFu) | (p[1] << 24),
            ((p[1] >> 8) & 0xFFFFu) | (p[2] << 16),
            ((p[2] >> 16) & 0xFFu) | (p[3] << 8),
        };
        std::memcpy(out, w, 12);
    }
    for (; x < width; ++x, in += 4, out += 3) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
    }
}

#if defined(__x86_64__)
__attribute__((target("ssse3"))) void PackBGRXRowSsse3(const uint8_t* in, uint8_t* out, int width)
{
    const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int x = 0;
    // Each store writes 16 bytes of which 12 count; the next store covers
    // the rest. Stopping 8 pixels before the end keeps every store inside the row.
    for (; x + 8 <= width; x += 4, in += 16, out += 12)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), pack));
    PackBGRXRowPortable(in, out, width - x);
}
#endif

void PackBGRXRow(const uint8_t* in, uint8_t* out, int width)
{
#if defined(__x86_64__)
    static const bool hasSsse3 = __builtin_cpu_supports("ssse3");
    if (hasSsse3) {
        PackBGRXRowSsse3(in, out, width);
        return;
    }
#endif
    PackBGRXRowPortable(in, out, width);
}

} // namespace

void TJPEGImage::SetProgressiveEncoding(bool value)
{
    if (m_progressiveEncoding == value)
        return;
    m_progressiveEncoding = value;
    Invalidate();
}

void TJPEGImage::SetGrayscale(bool value)
{
    if (m_grayscale == value)
        return;
    m_grayscale = value;
    Invalidate();
}

void TJPEGImage::SetCompressionQuality(int value)
{
    if (value < 1 || value > 100)
        throw EJPEG(Format("Invalid JPEG compression quality %d (allowed are 1 to 100)", value));
    if (m_quality == value)
        return;
    m_quality = value;
    Invalidate();
}

size_t TJPEGImage::PrepareCopy(int width, int height)
{
    if (width < 0 || height < 0)
        throw EJPEG(Format("Invalid image size %d x %d", width, height));
    // A JPEG frame cannot describe more; refusing here also keeps the buffer
    // below 13 GB, so the size computation below cannot overflow.
    if (width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION)
        throw EJPEG(Format("Image too large for JPEG: %d x %d (at most %d pixels each way)", width, height,
            static_cast<int>(JPEG_MAX_DIMENSION)));
    size_t rowBytes = static_cast<size_t>(width) * 3;
    size_t total = rowBytes * static_cast<size_t>(height);
    Buffer pixels(AllocatePicture(total));
    if (!pixels)
        throw EJPEG(Format("Not enough memory for a %d x %d image", width, height));
    // Nothing of the old state is touched until the new buffer exists.
    m_pixels = std::move(pixels);
    m_pixelBytes = total;
    m_width = width;
    m_height = height;
    Invalidate();
    return rowBytes;
}

void TJPEGImage::Assign(TBitmap* source)
{
    if (!source || source->Empty()) {
        PrepareCopy(0, 0);
        return;
    }
    // The bitmap's surface: 32-bit pixels (0xAARRGGBB, so blue comes first in
    // memory), top row first.
    HBITMAP handle = source->Handle();
    const uint32_t* bits = GdiBitmapBits(handle);
    if (!bits)
        throw EJPEG("The bitmap holds no image to copy");
    AssignBGRX(GdiBitmapWidth(handle), GdiBitmapHeight(handle), reinterpret_cast<const uint8_t*>(bits),
        static_cast<size_t>(GdiBitmapStride(handle)));
}

void TJPEGImage::AssignBGR(int width, int height, const uint8_t* rows, size_t stride)
{
    size_t rowBytes = PrepareCopy(width, height);
    if (m_pixelBytes == 0)
        return;
    if (stride == rowBytes) {
        std::memcpy(m_pixels.get(), rows, m_pixelBytes);
        return;
    }
    for (int y = 0; y < height; ++y)
        std::memcpy(m_pixels.get() + static_cast<size_t>(y) * rowBytes, rows + static_cast<size_t>(y) * stride, rowBytes);
}

void TJPEGImage::AssignBGRX(int width, int height, const uint8_t* rows, size_t stride)
{
    size_t rowBytes = PrepareCopy(width, height);
    for (int y = 0; y < height; ++y)
        PackBGRXRow(rows + static_cast<size_t>(y) * stride, m_pixels.get() + static_cast<size_t>(y) * rowBytes, width);
}

void TJPEGImage::Compress()
{
    if (Empty())
        throw EJPEG("Cannot compress an empty JPEG image");

    jpeg_compress_struct cinfo {};
    ErrorManager err {};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = OutputMessage;
    MallocDestination dest {};
    dest.pub.init_destination = InitDestination;
    dest.pub.empty_output_buffer = EmptyOutputBuffer;
    dest.pub.term_destination = TermDestination;
    // Half the picture's size holds a quality-100 scan in one piece; pages
    // never written cost nothing.
    dest.size = std::max<size_t>(m_pixelBytes / 2, 64 * 1024);
    dest.buffer = AllocatePicture(dest.size);
    if (!dest.buffer)
        throw EJPEG(Format("Not enough memory to compress a %d x %d image", m_width, m_height));

    EncodeJob job { m_width, m_height, m_pixels.get(), m_quality, m_grayscale, m_progressiveEncoding };
    bool ok = RunCompressor(cinfo, err, dest, job);
    // Releases libjpeg's memory on both paths (safe on a half-built object).
    jpeg_destroy_compress(&cinfo);
    Buffer data(dest.buffer);
    if (!ok)
        throw EJPEG(Format("JPEG error: %s", err.message));
    m_data = std::move(data);
    m_dataSize = dest.size;
}

void TJPEGImage::SaveToFile(const AnsiString& fileName)
{
    if (m_dataSize == 0) {
        if (Empty())
            throw EJPEG("Cannot save an empty JPEG image");
        Compress();
    }
    WriteFileAtomically(fileName, std::string_view(reinterpret_cast<const char*>(m_data.get()), m_dataSize));
}
