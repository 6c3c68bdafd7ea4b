// The text rewrites that reduce a formula to the internal notation, and the
// split of a text at its operator of lowest precedence.
#include "LocaleScope.h"
#include "components/parser/TVelParser.h"
#include <gtest/gtest.h>

namespace {

struct Rewrite {
    const char* input;
    const char* expected;
};

class Normalisation : public ::testing::Test {
protected:
    LocaleScope locale { LocaleScope::Dot };
    TVelParser parser;
};

TEST_F(Normalisation, BuildNormalisesACopyOfTheExpression)
{
    const Rewrite cases[] = {
        { "  SIN ( X ) ", "s#(X)" },  // blanks go, names in any case
        { "(sin(x))", "s#(x)" },      // outer brackets go before the names
        { "((x))", "(x)" },           // one pair per build
        { "7 mod 3", "7m3" },
        { "asin(x)", "as#(x)" },      // names match inside longer words
        { "COS x + Tan x", "c#x+t#x" },
        { "ln x - LG x * abs x", "n#x-g#x*r#x" },
        { "2.5", "2.5" },
        { "x\t", "x\t" },             // only the space character is a blank
    };
    for (const Rewrite& c : cases) {
        parser.SetExpression(c.input);
        parser.CreateTree();
        EXPECT_EQ(parser.WorkText(), c.expected) << c.input;
        EXPECT_EQ(parser.Expression(), c.input) << "the user's formula is never changed";
    }
}

TEST_F(Normalisation, DecimalMarksFollowTheConversionSwitch)
{
    parser.SetOverwriteDecimalSymbol(",");
    parser.SetExpression("2.5+1,5");
    parser.CreateTree();
    EXPECT_EQ(parser.WorkText(), "2.5+1,5");
    parser.SetConvertAllColonsAndDots(true);
    parser.CreateTree();
    EXPECT_EQ(parser.WorkText(), "2,5+1,5");
    // A longer symbol is used whole.
    parser.SetOverwriteDecimalSymbol("<>");
    parser.CreateTree();
    EXPECT_EQ(parser.WorkText(), "2<>5+1<>5");
}

TEST_F(Normalisation, LandDotComesFromTheOverrideOrTheSystem)
{
    parser.InitLandDot();
    EXPECT_EQ(parser.LandDot(), ".");
    parser.SetOverwriteDecimalSymbol(";");
    parser.InitLandDot();
    EXPECT_EQ(parser.LandDot(), ";");
    {
        LocaleScope comma(LocaleScope::Comma);
        parser.InitLandDot();
        EXPECT_EQ(parser.LandDot(), ";") << "the override wins over the system";
        parser.SetOverwriteDecimalSymbol("");
        parser.InitLandDot();
        EXPECT_EQ(parser.LandDot(), ",");
    }
    parser.InitLandDot();
    EXPECT_EQ(parser.LandDot(), ".") << "a change of the locale takes effect at the next call";
}

TEST_F(Normalisation, EntferneKlammernRemovesOneEnclosingPair)
{
    const Rewrite cases[] = {
        { "((x))", "(x)" },
        { "(a)+(b)", "(a)+(b)" },
        { "(a+(b))", "a+(b)" },
        { "()", "" },
        { "x", "x" },
        { "(x", "(x" },
        { "x)", "x)" },
        { "(", "(" },
        { "", "" },
    };
    for (const Rewrite& c : cases) {
        AnsiString text = c.input;
        EXPECT_EQ(parser.EntferneKlammern(&text), c.expected) << c.input;
        EXPECT_EQ(text, c.input) << "the text at the address stays";
    }
}

TEST_F(Normalisation, EntferneLeerzeichenRemovesSpacesOnly)
{
    EXPECT_EQ(parser.EntferneLeerzeichen(" a b\tc "), "ab\tc");
}

TEST_F(Normalisation, AssiotiativitaetFlipsWhatFollowsTheFirstSubtractionOrDivision)
{
    const Rewrite cases[] = {
        { "a-b-c", "a-b+c" },
        { "a+b-c+d", "a+b-c-d" },
        { "a-b+c-d", "a-b-c+d" },
        { "a/b*c", "a/b/c" },
        { "a*b/c*d", "a*b/c/d" },
        { "a-(b-c)", "a-(b-c)" },
        { "(a-b-c)", "(a-b-c)" },
        { "(a-b)-c-d", "(a-b)-c+d" },
        { "a-b/c*d", "a-b/c/d" },  // the two flags are independent
        { "a^b^c m d m e", "a^b^c m d m e" },
    };
    for (const Rewrite& c : cases)
        EXPECT_EQ(parser.Assiotiativitaet(c.input), c.expected) << c.input;
}

TEST_F(Normalisation, SplitLowestCutsAtTheLowestOperator)
{
    struct Split {
        const char* text;
        const char* left;
        const char* op;
        const char* right;
    };
    const Split cases[] = {
        { "a-b-c", "a", "-", "b+c" },        // the subtrahend takes the rest of the chain
        { "a-b+c-d", "a", "-", "b-c+d" },
        { "a+b+c", "a+b", "+", "c" },        // the last "+"
        { "a+b-c", "a+b", "-", "c" },        // any "-" beats "+"
        { "a*b/c*d", "a", "*", "b/c*d" },    // the first of * / m, nothing flipped
        { "a/b*c/d", "a", "/", "b/c*d" },    // the divisor takes the rest
        { "2/3+1/3", "2/3", "+", "1/3" },    // no flip unless the split is on "/"
        { "a/bmc", "a", "/", "bmc" },
        { "amb*c", "a", "m", "b*c" },
        { "2^3^2", "2", "^", "3^2" },
        { "s#x^2", "s#x", "^", "2" },
        { "s#(x-1)", "s", "#", "x-1" },      // brackets removed from the operand
        { "a-(b-c)", "a", "-", "b-c" },      // bracketed signs are not flipped
        { "(a)*((b))", "a", "*", "(b)" },
        { "-x", "", "-", "x" },
        { "x", "", "", "" },
        { "(x-1)", "(x", "-", "1)" },        // the only operator is inside brackets
    };
    for (const Split& c : cases) {
        AnsiString left = "?", right = "?", op = "?";
        parser.SplitLowest(&left, &right, &op, c.text);
        EXPECT_EQ(left, c.left) << c.text;
        EXPECT_EQ(op, c.op) << c.text;
        EXPECT_EQ(right, c.right) << c.text;
    }
}

}
