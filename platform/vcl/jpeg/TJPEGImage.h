#pragma once
// A JPEG image: an uncompressed copy of the picture (24 bits per pixel) and,
// once Compress has run, the JPEG file made from it. Encoding goes straight
// to libjpeg with its default parameters, the quality set here and baseline
// quantisation tables forced, so the file stays readable by every decoder.
//
// Changing a setting that shapes the encoded file drops the compressed data;
// SaveToFile compresses again when needed, so the file written always matches
// the current settings.
#include "platform/rtl/AnsiString.h"
#include "platform/rtl/TObject.h"
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

class TBitmap;

class TJPEGImage : public TObject {
public:
    static constexpr int kDefaultQuality = 90;

    TJPEGImage() = default;
    ~TJPEGImage() override = default;

    // Shows the picture coarse-first while it loads. A display setting only:
    // it does not change the file written.
    bool ProgressiveDisplay() const { return m_progressiveDisplay; }
    void SetProgressiveDisplay(bool value) { m_progressiveDisplay = value; }

    // Writes a progressive file instead of a baseline one.
    bool ProgressiveEncoding() const { return m_progressiveEncoding; }
    void SetProgressiveEncoding(bool value);

    // Writes one grey channel instead of colour.
    bool Grayscale() const { return m_grayscale; }
    void SetGrayscale(bool value);

    // 1 (smallest file) to 100 (best picture); anything else raises EJPEG.
    int CompressionQuality() const { return m_quality; }
    void SetCompressionQuality(int value);

    // Copies the bitmap's picture, converted to 24 bits per pixel. The bitmap
    // may change or go away afterwards.
    void Assign(TBitmap* source);
    // Copies a picture given as top-down rows of width * 3 bytes in blue,
    // green, red order (the layout of a 24-bit device-independent bitmap row),
    // each row starting stride bytes after the one before.
    void AssignBGR(int width, int height, const uint8_t* rows, size_t stride);
    // The same for rows of 4 bytes per pixel (blue, green, red, unused), the
    // layout of a 32-bit surface; the unused byte is dropped.
    void AssignBGRX(int width, int height, const uint8_t* rows, size_t stride);

    // Encodes the picture. Raises EJPEG for an empty picture or when the codec
    // fails; the data compressed before stays as it was then.
    void Compress();
    // Writes the JPEG file, compressing first when needed. The target is
    // replaced as a whole: a failure (disk full, folder not writable) leaves an
    // existing file untouched and no temporary file behind, and raises
    // EInOutError. An empty image raises EJPEG and writes nothing.
    void SaveToFile(const AnsiString& fileName);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Empty() const { return m_width == 0 || m_height == 0; }
    // The encoded file; empty until Compress (or after a setting changed).
    std::span<const uint8_t> Data() const { return { m_data.get(), m_dataSize }; }
    // The uncompressed picture, rows of Width() * 3 bytes, blue first.
    std::span<const uint8_t> Pixels() const { return { m_pixels.get(), m_pixelBytes }; }

private:
    struct FreeDeleter {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    // Buffers from malloc: a page is only paid for once it is written, and a
    // large block grows without copying.
    using Buffer = std::unique_ptr<uint8_t, FreeDeleter>;

    // Checks the size, takes the buffer and returns the row length in bytes.
    size_t PrepareCopy(int width, int height);
    void Invalidate()
    {
        m_data.reset();
        m_dataSize = 0;
    }

    bool m_progressiveDisplay { false };
    bool m_progressiveEncoding { false };
    bool m_grayscale { false };
    int m_quality { kDefaultQuality };
    int m_width { 0 };
    int m_height { 0 };
    Buffer m_pixels;
    size_t m_pixelBytes { 0 };
    Buffer m_data;
    size_t m_dataSize { 0 };
};
