#include "platform/rtl/Exceptions.h"
#include "platform/vcl/graphics/TBitmap.h"
#include "platform/vcl/jpeg/EJPEG.h"
#include "platform/vcl/jpeg/TJPEGImage.h"
#include "tests/platform/vcl/jpeg/JpegTestTools.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <functional>

using namespace jpegtest;

namespace {

// A picture as 24-bit rows, blue first, with each channel running its own
// smooth ramp: a swapped channel or a shifted row shows at once, and the
// ramps are gentle enough that quality 100 must reproduce them closely.
struct Picture {
    int width;
    int height;
    std::vector<uint8_t> bgr;

    uint8_t Red(int x, int y) const { return static_cast<uint8_t>(20 + x * 4); }
    uint8_t Green(int x, int y) const { return static_cast<uint8_t>(200 - y * 3); }
    uint8_t Blue(int x, int y) const { return static_cast<uint8_t>(60 + (x + y) * 2); }

    static Picture Ramps(int width, int height)
    {
        Picture p { width, height, {} };
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                p.bgr.push_back(p.Blue(x, y));
                p.bgr.push_back(p.Green(x, y));
                p.bgr.push_back(p.Red(x, y));
            }
        return p;
    }
};

std::vector<uint8_t> Bytes(std::span<const uint8_t> bytes)
{
    return { bytes.begin(), bytes.end() };
}

std::vector<uint8_t> Bytes(const std::string& bytes)
{
    return { bytes.begin(), bytes.end() };
}

// Incompressible content: at quality 100 the file is larger than the pixels.
std::vector<uint8_t> Noise(int width, int height)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(width) * height * 3);
    uint32_t state = 12345;
    for (auto& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(state >> 24);
    }
    return bytes;
}

class JpegFiles : public ::testing::Test {
protected:
    void SetUp() override { m_folder = MakeTempFolder(); }
    void TearDown() override { RemoveTree(m_folder); }
    std::string Path(const std::string& name) const { return m_folder + "/" + name; }

    std::string m_folder;
};

TEST_F(JpegFiles, QualityHundredGivesBaselineColourWithUnitTablesAndFaithfulPixels)
{
    // Not a multiple of the 16-pixel block size, so the edge blocks count too.
    Picture picture = Picture::Ramps(37, 23);
    TJPEGImage jpeg;
    jpeg.SetProgressiveDisplay(false);
    jpeg.AssignBGR(picture.width, picture.height, picture.bgr.data(), picture.width * 3);
    jpeg.SetCompressionQuality(100);
    jpeg.Compress();
    jpeg.SaveToFile(Path("page.jpg"));

    JpegReport report = Inspect(Path("page.jpg"));
    ASSERT_TRUE(report.ok) << report.raw;
    EXPECT_EQ(report.frameMarker, "0xc0") << report.raw;
    EXPECT_EQ(report.components, 3);
    EXPECT_EQ(report.width, 37);
    EXPECT_EQ(report.height, 23);
    ASSERT_EQ(report.quantTables.size(), 2u) << report.raw;
    for (size_t t = 0; t < report.quantTables.size(); ++t) {
        EXPECT_EQ(report.quantPrecisions[t], 0);
        EXPECT_EQ(report.quantTables[t], std::vector<int>(64, 1)) << "table " << t;
    }

    Decoded decoded = Decode(Path("page.jpg"));
    ASSERT_EQ(decoded.channels, 3);
    ASSERT_EQ(decoded.width, 37);
    ASSERT_EQ(decoded.height, 23);
    int worst = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t* rgb = &decoded.pixels[(static_cast<size_t>(y) * picture.width + x) * 3];
            worst = std::max({ worst, std::abs(rgb[0] - picture.Red(x, y)), std::abs(rgb[1] - picture.Green(x, y)),
                std::abs(rgb[2] - picture.Blue(x, y)) });
        }
    EXPECT_LE(worst, 4);

    // The file written is the data compressed.
    std::string onDisk = ReadFile(Path("page.jpg"));
    EXPECT_EQ(Bytes(onDisk), Bytes(jpeg.Data()));
}

TEST_F(JpegFiles, SettingsShapeTheFile)
{
    struct Case {
        const char* name;
        std::function<void(TJPEGImage&)> set;
        const char* frame;
        int components;
        int firstLumaEntry; // -1: not checked
    };
    const Case cases[] = {
        { "default quality 90", [](TJPEGImage&) { }, "0xc0", 3, 3 },
        // The standard luminance table unscaled.
        { "quality 50", [](TJPEGImage& j) { j.SetCompressionQuality(50); }, "0xc0", 3, 16 },
        // Unscaled entries would exceed 8 bits; baseline clamps them to 255.
        { "quality 1 stays baseline", [](TJPEGImage& j) { j.SetCompressionQuality(1); }, "0xc0", 3, 255 },
        { "progressive", [](TJPEGImage& j) { j.SetProgressiveEncoding(true); }, "0xc2", 3, -1 },
        { "greyscale", [](TJPEGImage& j) { j.SetGrayscale(true); }, "0xc0", 1, -1 },
        { "progressive display only", [](TJPEGImage& j) { j.SetProgressiveDisplay(true); }, "0xc0", 3, 3 },
    };
    Picture picture = Picture::Ramps(16, 16);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TJPEGImage jpeg;
        jpeg.AssignBGR(picture.width, picture.height, picture.bgr.data(), picture.width * 3);
        c.set(jpeg);
        jpeg.SaveToFile(Path("x.jpg")); // compresses on its own
        JpegReport report = Inspect(Path("x.jpg"));
        ASSERT_TRUE(report.ok) << report.raw;
        EXPECT_EQ(report.frameMarker, c.frame);
        EXPECT_EQ(report.components, c.components);
        for (int precision : report.quantPrecisions)
            EXPECT_EQ(precision, 0);
        for (const auto& table : report.quantTables)
            for (int entry : table)
                EXPECT_LE(entry, 255);
        if (c.firstLumaEntry >= 0) {
            ASSERT_FALSE(report.quantTables.empty());
            EXPECT_EQ(report.quantTables[0][0], c.firstLumaEntry);
        }
    }
}

TEST_F(JpegFiles, ChangingTheEncodingAfterCompressRecompressesOnSave)
{
    Picture picture = Picture::Ramps(16, 16);
    TJPEGImage jpeg;
    jpeg.AssignBGR(16, 16, picture.bgr.data(), 48);
    jpeg.SetCompressionQuality(100);
    jpeg.Compress();
    ASSERT_FALSE(jpeg.Data().empty());

    jpeg.SetProgressiveDisplay(true); // display only: the data stays
    EXPECT_FALSE(jpeg.Data().empty());
    jpeg.SetCompressionQuality(50);
    EXPECT_TRUE(jpeg.Data().empty());

    jpeg.SaveToFile(Path("y.jpg"));
    JpegReport report = Inspect(Path("y.jpg"));
    ASSERT_FALSE(report.quantTables.empty()) << report.raw;
    EXPECT_EQ(report.quantTables[0][0], 16);
}

TEST(JpegPixels, PaddedAndFourByteRowsGiveTheSamePicture)
{
    // Width 13: 39 bytes of pixels in a 40-byte row, as in a 24-bit DIB; in
    // four-byte rows, wide enough for the fast path and a tail after it.
    const int w = 13, h = 3;
    const size_t paddedStride = 40, bgrxStride = 13 * 4 + 8;
    std::vector<uint8_t> padded(paddedStride * h, 0xEE), bgrx(bgrxStride * h, 0x77);
    std::vector<uint8_t> expected;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t b = static_cast<uint8_t>(10 * x + y), g = static_cast<uint8_t>(100 + x), r = static_cast<uint8_t>(200 + y);
            uint8_t* p = &padded[y * paddedStride + x * 3];
            p[0] = b, p[1] = g, p[2] = r;
            uint8_t* q = &bgrx[y * bgrxStride + x * 4];
            q[0] = b, q[1] = g, q[2] = r;
            expected.insert(expected.end(), { b, g, r });
        }
    TJPEGImage fromPadded, fromBgrx;
    fromPadded.AssignBGR(w, h, padded.data(), paddedStride);
    fromBgrx.AssignBGRX(w, h, bgrx.data(), bgrxStride);
    EXPECT_EQ(Bytes(fromPadded.Pixels()), expected);
    EXPECT_EQ(Bytes(fromBgrx.Pixels()), expected);
    EXPECT_EQ(fromBgrx.Width(), 13);
    EXPECT_EQ(fromBgrx.Height(), 3);

    // Every width around the fast path's block sizes, one row each.
    for (int width = 1; width <= 20; ++width) {
        std::vector<uint8_t> row(static_cast<size_t>(width) * 4);
        for (size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<uint8_t>(i % 4 == 3 ? 0xFF : i);
        TJPEGImage jpeg;
        jpeg.AssignBGRX(width, 1, row.data(), row.size());
        std::vector<uint8_t> want;
        for (size_t i = 0; i < row.size(); ++i)
            if (i % 4 != 3)
                want.push_back(row[i]);
        EXPECT_EQ(Bytes(jpeg.Pixels()), want) << "width " << width;
    }
}

TEST(JpegPixels, ABitmapIsCopiedAsBlueGreenRedRows)
{
    // TColor keeps red in the low byte; the copy must come out blue first.
    TBitmap bitmap;
    bitmap.SetSize(9, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 9; ++x)
            bitmap.Canvas()->SetPixel(x, y, static_cast<TColor>(0x10 * x + y) | 0x00AA00 | (0x30 + x) << 16);
    TJPEGImage jpeg;
    jpeg.Assign(&bitmap);
    ASSERT_EQ(jpeg.Width(), 9);
    ASSERT_EQ(jpeg.Height(), 2);
    const uint8_t* last = &jpeg.Pixels()[(1 * 9 + 8) * 3];
    EXPECT_EQ(last[0], 0x38); // blue
    EXPECT_EQ(last[1], 0xAA); // green
    EXPECT_EQ(last[2], 0x81); // red
    const uint8_t* first = &jpeg.Pixels()[0];
    EXPECT_EQ(first[0], 0x30);
    EXPECT_EQ(first[2], 0x00);

    // Drawing on the bitmap afterwards does not reach the copy.
    bitmap.Canvas()->SetPixel(0, 0, clWhite);
    EXPECT_EQ(jpeg.Pixels()[0], 0x30);

    // An empty bitmap (or none) empties the image.
    TBitmap empty;
    jpeg.Assign(&empty);
    EXPECT_TRUE(jpeg.Empty());
    jpeg.Assign(&bitmap);
    jpeg.Assign(nullptr);
    EXPECT_TRUE(jpeg.Empty());
}

TEST_F(JpegFiles, BadInputRaisesAndWritesNothing)
{
    TJPEGImage jpeg;
    for (int quality : { 0, -5, 101 }) {
        EXPECT_THROW(jpeg.SetCompressionQuality(quality), EJPEG) << quality;
        EXPECT_EQ(jpeg.CompressionQuality(), TJPEGImage::kDefaultQuality);
    }

    EXPECT_TRUE(jpeg.Empty());
    EXPECT_THROW(jpeg.Compress(), EJPEG);
    EXPECT_THROW(jpeg.SaveToFile(Path("empty.jpg")), EJPEG);
    EXPECT_FALSE(Exists(Path("empty.jpg")));

    uint8_t pixel[3] = { 1, 2, 3 };
    EXPECT_THROW(jpeg.AssignBGR(-1, 1, pixel, 3), EJPEG);
    // Beyond what a JPEG frame can describe, refused before anything is
    // allocated (the second would overflow a size computed naively).
    EXPECT_THROW(jpeg.AssignBGR(65501, 1, pixel, 3), EJPEG);
    EXPECT_THROW(jpeg.AssignBGR(0x7fffffff, 0x7fffffff, pixel, 3), EJPEG);
    EXPECT_TRUE(jpeg.Empty());

    // A folder that does not exist: an I/O error, no file.
    jpeg.AssignBGR(1, 1, pixel, 3);
    EXPECT_THROW(jpeg.SaveToFile(Path("missing/x.jpg")), EInOutError);
    EXPECT_EQ(ListFolder(m_folder), std::vector<std::string> {});
}

TEST_F(JpegFiles, SavingReplacesAnExistingFileWhole)
{
    WriteFile(Path("old.jpg"), std::string(500000, 'o')); // larger than what replaces it
    Picture picture = Picture::Ramps(8, 8);
    TJPEGImage jpeg;
    jpeg.AssignBGR(8, 8, picture.bgr.data(), 24);
    jpeg.SaveToFile(Path("old.jpg"));
    std::string onDisk = ReadFile(Path("old.jpg"));
    EXPECT_EQ(Bytes(onDisk), Bytes(jpeg.Data()));
    EXPECT_EQ(ListFolder(m_folder), std::vector<std::string> { "old.jpg" });
}

TEST(JpegDiskFull, TheEarlierFileSurvivesAndNoTemporaryFileIsLeft)
{
    TinyDisk disk(64 * 1024);
    if (!disk.mounted)
        GTEST_SKIP() << disk.reason;
    const std::string target = disk.folder + "/copy.jpg";
    const std::string earlier = "the copy saved yesterday";
    WriteFile(target, earlier);

    std::vector<uint8_t> noise = Noise(256, 256); // about 190 KB even as JPEG
    TJPEGImage jpeg;
    jpeg.AssignBGR(256, 256, noise.data(), 256 * 3);
    jpeg.SetCompressionQuality(100);
    try {
        jpeg.SaveToFile(target);
        FAIL() << "saving 190 KB onto a 64 KB disk succeeded";
    } catch (const EInOutError& e) {
        EXPECT_NE(std::string(e.Message()).find("copy.jpg"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(ReadFile(target), earlier);
    EXPECT_EQ(ListFolder(disk.folder), std::vector<std::string> { "copy.jpg" });

    // The same image fits once it is small enough: the disk was the only problem.
    jpeg.SetCompressionQuality(1);
    jpeg.AssignBGR(16, 16, noise.data(), 256 * 3);
    jpeg.SaveToFile(target);
    EXPECT_NE(ReadFile(target), earlier);
    EXPECT_EQ(ListFolder(disk.folder), std::vector<std::string> { "copy.jpg" });
}

} // namespace
