#include "platform/vcl/jpeg/TJPEGImage.h"
#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/jpeg/EJPEG.h"
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

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

// Collects the encoded bytes in a growing buffer of the caller's.
struct VectorDestination {
    jpeg_destination_mgr pub;
    std::vector<uint8_t>* out;
};

constexpr size_t kFirstChunk = 256 * 1024;

void InitDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->out->data();
    dest->pub.free_in_buffer = dest->out->size();
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo)
{
    // libjpeg calls this only when the whole buffer is full.
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    size_t used = dest->out->size();
    bool grown = false;
    try {
        dest->out->resize(used * 2);
        grown = true;
    } catch (...) {
    }
    if (!grown) {
        // Outside the catch block, so no exception object is left behind.
        cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
        cinfo->err->error_exit(reinterpret_cast<j_common_ptr>(cinfo));
    }
    dest->pub.next_output_byte = dest->out->data() + used;
    dest->pub.free_in_buffer = dest->out->size() - used;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    dest->out->resize(dest->out->size() - dest->pub.free_in_buffer);
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
bool RunCompressor(jpeg_compress_struct& cinfo, ErrorManager& err, VectorDestination& dest, const EncodeJob& job)
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
        throw EJPEG(Format("Image too large for JPEG: %d x %d (at most %d pixels each way)", width, height, static_cast<int>(JPEG_MAX_DIMENSION)));
    size_t rowBytes = static_cast<size_t>(width) * 3;
    size_t total = rowBytes * static_cast<size_t>(height);
    std::vector<uint8_t> pixels;
    try {
        pixels.resize(total);
    } catch (const std::bad_alloc&) {
        throw EJPEG(Format("Not enough memory for a %d x %d image", width, height));
    }
    // Nothing of the old state is touched until the new buffer exists.
    m_pixels = std::move(pixels);
    m_width = width;
    m_height = height;
    Invalidate();
    return rowBytes;
}

void TJPEGImage::AssignBGR(int width, int height, const uint8_t* rows, size_t stride)
{
    size_t rowBytes = PrepareCopy(width, height);
    if (rowBytes == 0 || height == 0)
        return;
    if (stride == rowBytes) {
        std::memcpy(m_pixels.data(), rows, m_pixels.size());
        return;
    }
    for (int y = 0; y < height; ++y)
        std::memcpy(m_pixels.data() + static_cast<size_t>(y) * rowBytes, rows + static_cast<size_t>(y) * stride, rowBytes);
}

void TJPEGImage::AssignBGRX(int width, int height, const uint8_t* rows, size_t stride)
{
    size_t rowBytes = PrepareCopy(width, height);
    uint8_t* out = m_pixels.data();
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = rows + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
    }
    (void)rowBytes;
}

void TJPEGImage::Compress()
{
    if (Empty())
        throw EJPEG("Cannot compress an empty JPEG image");

    std::vector<uint8_t> data;
    // A first guess at the size; the buffer doubles when it is not enough.
    data.resize(std::max(kFirstChunk, m_pixels.size() / 4));

    jpeg_compress_struct cinfo {};
    ErrorManager err {};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = OutputMessage;
    VectorDestination dest {};
    dest.pub.init_destination = InitDestination;
    dest.pub.empty_output_buffer = EmptyOutputBuffer;
    dest.pub.term_destination = TermDestination;
    dest.out = &data;

    EncodeJob job { m_width, m_height, m_pixels.data(), m_quality, m_grayscale, m_progressiveEncoding };
    bool ok = RunCompressor(cinfo, err, dest, job);
    // Releases libjpeg's memory on both paths (safe on a half-built object).
    jpeg_destroy_compress(&cinfo);
    if (!ok)
        throw EJPEG(Format("JPEG error: %s", err.message));
    m_data = std::move(data);
}

void TJPEGImage::SaveToFile(const AnsiString& fileName)
{
    if (m_data.empty()) {
        if (Empty())
            throw EJPEG("Cannot save an empty JPEG image");
        Compress();
    }
    WriteFileAtomically(fileName, std::string_view(reinterpret_cast<const char*>(m_data.data()), m_data.size()));
}
