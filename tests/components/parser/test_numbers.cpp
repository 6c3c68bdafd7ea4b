// Number texts: the strict leaf test, the lenient reader and the writer
// without exponent notation, under "." and "," locales and the overrides.
#include "LocaleScope.h"
#include "components/parser/TVelParser.h"
#include "platform/rtl/Exceptions.h"
#include <gtest/gtest.h>
#include <string>

namespace {

class Numbers : public ::testing::Test {
protected:
    LocaleScope locale { LocaleScope::Dot };
    TVelParser parser;
};

TEST_F(Numbers, LongDoubleToStrWritesSignificantDigitsWithoutExponent)
{
    struct Written {
        long double value;
        int precision;
        std::string text;
    };
    const Written cases[] = {
        { 1.0L / 3, 8, "0.33333333" },
        { 2.0L / 3, 8, "0.66666667" },
        { 100, 8, "100" },
        { 2.5L, 8, "2.5" },
        { -0.05L, 8, "-0.05" },
        { 0, 8, "0" },
        { -0.0L, 8, "0" },
        { 123456789, 8, "123456790" },
        { 1e10L, 8, "10000000000" },
        { 1e-9L, 8, "0.000000001" },
        { 3.14159L, 3, "3.14" },
        { 1234, 3, "1230" },
        { 999.96L, 4, "1000" },      // rounding carries into a new digit
        { 0.1L, 17, "0.10000000000000001" },
        { 1e300L * 1e10L, 2, "1" + std::string(310, '0') },  // beyond double
    };
    for (const Written& c : cases) {
        parser.SetPrecision(c.precision);
        EXPECT_EQ(parser.LongDoubleToStr(c.value), c.text) << static_cast<double>(c.value);
    }
}

TEST_F(Numbers, EntferneNullenUndPunkteTrimsTheFraction)
{
    struct Trim {
        const char* in;
        const char* out;
    };
    const Trim cases[] = {
        { "12.500", "12.5" }, { "100.", "100" }, { ".25", "0.25" }, { "100", "100" },
        { "0.000", "0" }, { "1.0.0", "1.0" }, { "", "" },
    };
    for (const Trim& c : cases)
        EXPECT_EQ(parser.EntferneNullenUndPunkte(c.in), c.out) << c.in;
}

TEST_F(Numbers, StrToLongDoubleReadsTheLeadingNumber)
{
    parser.SetX("1.5");
    parser.SetD("-2e3");
    struct Read {
        const char* text;
        long double value;
    };
    const Read cases[] = {
        { "X", 1.5L }, { "d", -2000 }, { "pi", 3.1415927L }, { "E", 2.7182818L },
        { "12abc", 12 }, { "abc", 0 }, { "", 0 }, { " \t2.5", 2.5L }, { "+4", 4 },
        { "1e", 1 }, { "1e+2x", 100 }, { ".5", 0.5L }, { "5.", 5 },
        { "inf", 0 }, { "nan", 0 }, { "0x10", 0 },  // only decimal numbers
        { "0.1", 0.1L },                            // correctly rounded to extended
        { "12345678901234567890123", 12345678901234567890123.0L },
        { "1e-5000", 0 },                           // underflow is no error
    };
    for (const Read& c : cases)
        EXPECT_EQ(parser.StrToLongDouble(c.text), c.value) << c.text;
    parser.SetX("pi");
    EXPECT_EQ(parser.StrToLongDouble("x"), 3.1415927L) << "a variable may name a constant";
    parser.SetX("a");
    parser.SetA("7");
    EXPECT_EQ(parser.StrToLongDouble("x"), 7) << "and then a later variable";
    try {
        parser.StrToLongDouble("-1e99999");
        ADD_FAILURE() << "out of range must raise";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "-1e99999 kann nicht in eine Zahl umgewandelt werden! (STD)");
    }
}

TEST_F(Numbers, IsZahlAcceptsOnlyCanonicalNumbersAndNames)
{
    struct Leaf {
        const char* text;
        bool leaf;
    };
    const Leaf cases[] = {
        { "s", true }, { "S", false }, { "C", true }, { "Pi", true }, { "e", true }, { "X", true },
        { "0.5", true }, { "12", true }, { "-3", true }, { "1E20", true }, { "1.5E-7", true },
        { "999999999999999", true }, { "0.0001", true },
        { "3.0", false }, { ".5", false }, { "0.50", false }, { "2.0", false }, { "007", false },
        { "1e3", false }, { "1E+20", false }, { "1000000000000000", false }, { "0.00001", false },
        { "1E400", false }, { "", false }, { "xx", false }, { " 1", false }, { "2,5", false },
        { "0.1234567890123456", false },  // more than 15 significant digits
    };
    for (const Leaf& c : cases) {
        EXPECT_EQ(parser.IsZahl(c.text), c.leaf) << c.text;
    }
    EXPECT_TRUE(parser.IsLongDouble("0.5"));
    EXPECT_FALSE(parser.IsLongDouble("x")) << "names are no numbers";
}

TEST_F(Numbers, CommaLocaleReadsAndWritesWithComma)
{
    LocaleScope comma(LocaleScope::Comma);
    EXPECT_TRUE(parser.IsZahl("2,5"));
    EXPECT_FALSE(parser.IsZahl("2.5"));
    parser.SetExpression("2,5*2");
    ASSERT_TRUE(parser.CreateTree());
    EXPECT_EQ(parser.Evaluate(), 5);
    EXPECT_EQ(parser.LongDoubleToStr(2.5L), "2,5");
    EXPECT_EQ(parser.EntferneNullenUndPunkte("12,500"), "12,5");

    parser.SetExpression("2.5");
    EXPECT_FALSE(parser.CreateTree());
    parser.SetConvertAllColonsAndDots(true);
    ASSERT_TRUE(parser.CreateTree());
    EXPECT_EQ(parser.WorkText(), "2,5");
    EXPECT_EQ(parser.Evaluate(), 2.5L);
    EXPECT_EQ(parser.ErgebnisString(), "2,5");
    parser.SetX("0.25");
    EXPECT_EQ(parser.StrToLongDouble("x"), 0.25L) << "both marks read as the decimal mark";
}

TEST_F(Numbers, DotOverrideOnACommaSystem)
{
    LocaleScope comma(LocaleScope::Comma);
    parser.SetOverwriteDecimalSymbol(".");
    parser.SetExpression("2,5");
    ASSERT_TRUE(parser.CreateTree()) << "the leaf test uses the system separator";
    EXPECT_EQ(parser.Evaluate(), 2) << "the reader stops at the comma";
    parser.SetExpression("2.5");
    EXPECT_FALSE(parser.CreateTree());
    parser.SetExpression("x/4");
    ASSERT_TRUE(parser.CreateTree());
    parser.SetX("10");
    parser.Evaluate();
    EXPECT_EQ(parser.ErgebnisString(), "2.5");
}

TEST_F(Numbers, LongerDecimalSymbolIsUsedWhole)
{
    parser.SetOverwriteDecimalSymbol("<>");
    EXPECT_EQ(parser.LongDoubleToStr(2.5L), "2<>5");
    EXPECT_EQ(parser.LongDoubleToStr(0.001L), "0<>001");
    EXPECT_EQ(parser.LongDoubleToStr(40), "40");
    EXPECT_EQ(parser.StrToLongDouble("e"), 2) << "the symbol never matches one character";
}

}
