// The layout rule of a packed DIB and the check of a block against its header.
#include "tests/twain/DibFixture.h"
#include "twain/TDibLayout.h"
#include <cctype>
#include <gtest/gtest.h>

namespace {

std::string CaseName(const char* what)
{
    std::string name;
    for (char ch : std::string(what))
        name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return name;
}

struct LayoutCase {
    const char* what;
    DibShape shape;
    uint32_t colors;
    size_t pixelOffset;
};

class DibLayoutRule : public testing::TestWithParam<LayoutCase> { };

TEST_P(DibLayoutRule, PixelDataStartsAfterHeaderAndColourTable)
{
    const LayoutCase& c = GetParam();
    auto bytes = MakeDibBytes(c.shape);
    TDibLayout layout;
    AnsiString why;
    ASSERT_TRUE(TDibLayout::Check(bytes.data(), bytes.size(), layout, why)) << why;
    EXPECT_EQ(layout.colorCount, c.colors);
    EXPECT_EQ(layout.pixelOffset, c.pixelOffset);
    EXPECT_EQ(TDibLayout::ColorTableEntries(bytes.data()), c.colors);
}

INSTANTIATE_TEST_SUITE_P(Rule, DibLayoutRule,
    testing::Values(
        LayoutCase { "8 bits, biClrUsed 0", { 40, 5, 3, 8, 0, 0 }, 256, 40 + 1024 },
        LayoutCase { "24 bits, biClrUsed 0", { 40, 5, 3, 24, 0, 0 }, 0, 40 },
        LayoutCase { "24 bits, biClrUsed 16", { 40, 5, 3, 24, 0, 16 }, 16, 40 + 64 },
        LayoutCase { "1 bit", { 40, 9, 2, 1, 0, 0 }, 2, 48 },
        LayoutCase { "core header, 4 bits", { 12, 3, 3, 4, 0, 0 }, 16, 12 + 48 },
        LayoutCase { "8 bits, biClrUsed 20", { 40, 2, 2, 8, 0, 20 }, 20, 40 + 80 },
        LayoutCase { "32 bits, top-down", { 40, 2, -3, 32, 0, 0 }, 0, 40 },
        LayoutCase { "124-byte header, 4 bits", { 124, 2, 2, 4, 0, 0 }, 16, 124 + 64 }),
    [](const auto& info) { return CaseName(info.param.what); });

struct BadCase {
    const char* what;
    DibShape shape;
    const char* reason; // part of the explanation
};

class DibCheckRejects : public testing::TestWithParam<BadCase> { };

TEST_P(DibCheckRejects, MalformedBlock)
{
    const BadCase& c = GetParam();
    auto bytes = MakeDibBytes(c.shape);
    TDibLayout layout;
    AnsiString why;
    EXPECT_FALSE(TDibLayout::Check(bytes.data(), bytes.size(), layout, why));
    EXPECT_NE(why.find(c.reason), AnsiString::npos) << why;
}

INSTANTIATE_TEST_SUITE_P(Check, DibCheckRejects,
    testing::Values(
        BadCase { "unknown header size", { 44, 4, 2, 24 }, "header size" },
        BadCase { "bit count 7", { 40, 4, 2, 7 }, "bit count" },
        BadCase { "bit count 0", { 40, 4, 2, 0 }, "bit count" },
        BadCase { "zero width", { 40, 0, 2, 24 }, "out of range" },
        BadCase { "negative width", { 40, -4, 2, 24, 0, 0, 0, 4096 }, "out of range" },
        BadCase { "zero height", { 40, 4, 0, 24 }, "out of range" },
        BadCase { "most negative height", { 40, 4, INT32_MIN, 24, 0, 0, 0, 4096 }, "out of range" },
        BadCase { "huge width", { 40, 70000, 1, 24 }, "out of range" },
        BadCase { "rows overflow 32 bits", { 40, 65535, 65535, 32, 0, 0, 0, 4096 }, "pixel rows" },
        BadCase { "rows one byte short", { 40, 4, 2, 24, 0, 0, -1 }, "pixel rows" },
        BadCase { "colour table beyond the block", { 40, 1, 1, 24, 0, 0x40000000, 0, 4096 }, "colour table" },
        BadCase { "run-length compression", { 40, 4, 2, 8, 1 }, "compression" },
        BadCase { "bit fields on 24 bits", { 40, 4, 2, 24, 3 }, "compression" }),
    [](const auto& info) { return CaseName(info.param.what); });

TEST(DibCheck, BlockSmallerThanItsHeader)
{
    auto bytes = MakeDibBytes({ 40, 4, 2, 24 });
    TDibLayout layout;
    AnsiString why;
    EXPECT_FALSE(TDibLayout::Check(bytes.data(), 39, layout, why));
    EXPECT_FALSE(TDibLayout::Check(bytes.data(), 3, layout, why));
    EXPECT_FALSE(TDibLayout::Check(nullptr, 100, layout, why));
}

TEST(DibCheck, SpareBytesAfterThePixelsAreAccepted)
{
    auto bytes = MakeDibBytes({ 40, 3, 2, 24, 0, 0, 100 });
    TDibLayout layout;
    AnsiString why;
    ASSERT_TRUE(TDibLayout::Check(bytes.data(), bytes.size(), layout, why)) << why;
    EXPECT_EQ(layout.rowBytes, 12u); // 9 bytes padded to 4
    EXPECT_EQ(layout.pixelBytes, 24u);
}

}
