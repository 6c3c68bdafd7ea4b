// Building the tree and evaluating it: precedence, chains, functions, the
// shared stored tree and the errors with their messages. The value tables
// run under a "." locale and again under a "," locale.
#include "LocaleScope.h"
#include "components/parser/TVelParser.h"
#include "platform/rtl/Exceptions.h"
#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace {

struct Case {
    const char* formula;
    const char* x;
    long double expected;
    const char* a = "";
    const char* b = "";
    const char* c = "";
    const char* d = "";
};

const Case kValues[] = {
    { "x", "2", 2 },
    { "1-2-3", "", -4 },
    { "8/4/2", "", 1 },
    { "2^3^2", "", 512 },
    { "2^3*2", "", 16 },
    { "10-2+3", "", 11 },
    { "2*3-4*5", "", -14 },
    { "1-2+3-4+5", "", 3 },
    { "64/2*4/8", "", 16 },
    // Chains of "/" meeting other operators evaluate left to right.
    { "2/3+1/3", "", 1 },
    { "1+8/4/2", "", 2 },
    { "x/2-x/3", "6", 1 },
    { "a*b/c*d", "", 7.5L, "2", "3", "4", "5" },
    { "a-b/c/d", "", 8, "10", "8", "2", "2" },
    { "a/b m c", "", 4, "12", "7", "4" },      // a/(b mod c)
    { "a m b*c", "", 5, "17", "2", "3" },      // a mod (b*c)
    { "24/(4/2)", "", 12 },
    { "10-(4-1)", "", 7 },
    { "-x^2", "3", -9 },
    { "2*(-3)", "", -6 },
    { "-1-1", "", -2 },
    { "x+0", "5", 5 },
    { "0*x", "5", 0 },
    { "a+b", "", 3, "1", "2" },
    { "7 mod 3", "", 1 },
    { "-7 mod 3", "", -1 },
    { "7.5 mod 2", "", 1.5L },
    { "x mod 0", "4", 0 },
    { "lg(100)", "", 2 },
    { "abs(-3)", "", 3 },
    { "ABS(x-5)", "2", 3 },
    { "sin x^2", "2", std::pow(std::sin(2.0L), 2.0L) },
    { "sin x+1", "0", 1 },
    { "cos(0)+tan(0)", "", 1 },
    { "ln(e)", "", std::log(2.7182818L) },
    { "pi", "", 3.1415927L },
    { "x", "pi", 3.1415927L },                 // a variable may name a constant
    { "x*2.5", "1.5", 3.75L },
    { "(x)", "7", 7 },
    { "x#2", "3", 0 },                         // x is no function code
    { "c#0", "", 1 },                          // internal codes typed directly
    { "c", "", 4, "", "", "4" },               // c alone is the variable
    { "2m3", "", 2 },
    { "1E20/1E19", "", 10 },
};

std::string InLocale(const char* text, LocaleScope::Kind kind)
{
    std::string s = text;
    if (kind == LocaleScope::Comma) {
        for (char& ch : s) {
            if (ch == '.')
                ch = ',';
        }
    }
    return s;
}

class Evaluation : public ::testing::TestWithParam<LocaleScope::Kind> {
protected:
    LocaleScope locale { GetParam() };
    TVelParser parser;

    bool Build(const char* formula)
    {
        parser.SetExpression(InLocale(formula, GetParam()));
        return parser.CreateTree();
    }
};

TEST_P(Evaluation, FormulasEvaluateToTheirValues)
{
    for (const Case& c : kValues) {
        ASSERT_TRUE(Build(c.formula)) << c.formula;
        parser.SetX(InLocale(c.x, GetParam()));
        parser.SetA(c.a);
        parser.SetB(c.b);
        parser.SetC(c.c);
        parser.SetD(c.d);
        long double v = parser.Evaluate();
        EXPECT_NEAR(static_cast<double>(v), static_cast<double>(c.expected), 1e-12) << c.formula;
    }
}

TEST_P(Evaluation, MalformedFormulasDoNotBuild)
{
    const char* const cases[] = {
        "", "2*-3", "--3", "+3", "2*", "*2", "((x))", "2*((x))", "(x", "x)", ")x(",
        "2x", "2sin(x)", "foo", "sqrt(x)", "x y",
        ".5", "0.50", "2.0", "007", "1e3", "1000000000000000", "0.00001", "3.0",
    };
    for (const char* formula : cases) {
        EXPECT_FALSE(Build(formula)) << formula;
        EXPECT_EQ(parser.Evaluate(), 0) << "a failed build leaves an empty tree: " << formula;
        EXPECT_EQ(parser.ErgebnisString(), "0");
    }
}

TEST_P(Evaluation, ErgebnisStringUsesTheDecimalSymbolInUse)
{
    ASSERT_TRUE(Build("sin(pi)"));
    EXPECT_NEAR(static_cast<double>(parser.Evaluate()), -4.6410207e-8, 1e-15);
    EXPECT_EQ(parser.ErgebnisString(), InLocale("-0.000000046410207", GetParam()));
    ASSERT_TRUE(Build("x/4"));
    parser.SetX("10");
    parser.Evaluate();
    EXPECT_EQ(parser.ErgebnisString(), InLocale("2.5", GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Locales, Evaluation, ::testing::Values(LocaleScope::Dot, LocaleScope::Comma),
    [](const auto& info) { return info.param == LocaleScope::Dot ? std::string("Dot") : std::string("Comma"); });

class Errors : public ::testing::Test {
protected:
    LocaleScope locale { LocaleScope::Dot };
    TVelParser parser;

    // The message of the exception Evaluate raises for formula, or "" when none.
    std::string MessageOf(const char* formula, const char* x = "")
    {
        parser.SetExpression(formula);
        EXPECT_TRUE(parser.CreateTree()) << formula;
        parser.SetX(x);
        try {
            parser.Evaluate();
        } catch (const Exception& e) {
            return e.Message();
        }
        return "";
    }
};

TEST_F(Errors, EvaluationErrorsCarryTheirMessages)
{
    struct Failure {
        const char* formula;
        const char* x;
        const char* message;
    };
    const Failure cases[] = {
        { "1/0", "", "Division durch 0" },
        { "1/(x-x)", "3", "Division durch 0" },
        { "ln(0)", "", "Log von X mit X <= 0" },
        { "lg(-1)", "", "Log von X mit X <= 0" },
        { "(-8)^(1/3)", "", "Kein negativer Ausdruck unter Wurzel erlaubt." },
        { "0^(-1)", "", "Kein negativer Ausdruck unter Wurzel erlaubt." },
        { "10^400", "", "Kein negativer Ausdruck unter Wurzel erlaubt." },
        { "1/0+ln(0)", "", "Log von X mit X <= 0" },  // the right operand first
        { "ln(0)/0", "", "Log von X mit X <= 0" },
        { "x+1", "1e5000", "1e5000 kann nicht in eine Zahl umgewandelt werden! (STD)" },
    };
    for (const Failure& c : cases)
        EXPECT_EQ(MessageOf(c.formula, c.x), c.message) << c.formula;
}

TEST_F(Errors, OverflowRaisesTheArithmeticError)
{
    // 1E300 to the 17th power is beyond even the extended range.
    std::string formula = "1E300";
    for (int i = 0; i < 16; ++i)
        formula += "*1E300";
    parser.SetExpression(formula);
    ASSERT_TRUE(parser.CreateTree());
    EXPECT_THROW(parser.Evaluate(), EOverflow);
    // Beyond double precision but inside the extended range is no error.
    parser.SetExpression("1E300*1E300/1E300");
    ASSERT_TRUE(parser.CreateTree());
    EXPECT_EQ(parser.Evaluate(), 1e300L);
    EXPECT_THROW((parser.SetExpression("sin(1E300*1E300)"), parser.CreateTree(), parser.Evaluate()), EOverflow);
}

TEST_F(Errors, AFailedEvaluationKeepsTheLastResultAndTheTree)
{
    parser.SetExpression("1/x");
    ASSERT_TRUE(parser.CreateTree());
    parser.SetX("4");
    parser.Evaluate();
    EXPECT_EQ(parser.ErgebnisString(), "0.25");
    parser.SetX("0");
    EXPECT_THROW(parser.Evaluate(), Exception);
    EXPECT_EQ(parser.ErgebnisString(), "0.25");
    parser.SetX("8");
    EXPECT_EQ(parser.Evaluate(), 0.125L) << "the next evaluation starts afresh";
}

TEST(SharedTree, AllInstancesEvaluateTheTreeBuiltLast)
{
    LocaleScope locale(LocaleScope::Dot);
    TVelParser first;
    TVelParser second;
    first.SetExpression("x");
    ASSERT_TRUE(first.CreateTree());
    second.SetExpression("x+1");
    ASSERT_TRUE(second.CreateTree());
    first.SetX("5");
    EXPECT_EQ(first.Evaluate(), 6) << "the first instance now evaluates x+1 with its own x";
    second.SetX("1");
    EXPECT_EQ(second.Evaluate(), 2);
    second.SetExpression("2*");
    EXPECT_FALSE(second.CreateTree());
    EXPECT_EQ(first.Evaluate(), 0) << "a failed build empties the shared tree";
}

TEST(SharedTree, ParserIsAnOwnedComponent)
{
    TComponent owner;
    auto* parser = new TVelParser(&owner);
    EXPECT_EQ(parser->Owner(), &owner);
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(parser->Precision(), 8);
    EXPECT_FALSE(parser->ConvertAllColonsAndDots());
}

TEST(Depth, DeepFormulasBuildUpToTheBoundAndFailBeyondIt)
{
    LocaleScope locale(LocaleScope::Dot);
    TVelParser parser;
    auto chain = [](int terms) {
        std::string s = "x";
        for (int i = 1; i < terms; ++i)
            s += "-x";
        return s;
    };
    // x-x-...-x with n terms is a tree of n levels.
    parser.SetExpression(chain(TVelParser::MaxTreeDepth));
    ASSERT_TRUE(parser.CreateTree());
    parser.SetX("1");
    EXPECT_EQ(parser.Evaluate(), 2 - TVelParser::MaxTreeDepth);
    parser.SetExpression(chain(TVelParser::MaxTreeDepth + 1));
    EXPECT_FALSE(parser.CreateTree());

    // Deep brackets and functions stop at the bound instead of the stack's end.
    std::string nested;
    for (int i = 0; i < TVelParser::MaxTreeDepth; ++i)
        nested += "1+(";
    nested += "1";
    nested += std::string(TVelParser::MaxTreeDepth, ')');
    parser.SetExpression(nested);
    EXPECT_FALSE(parser.CreateTree());
    std::string functions;
    for (int i = 0; i < TVelParser::MaxTreeDepth; ++i)
        functions += "abs ";
    parser.SetExpression(functions + "x");
    EXPECT_FALSE(parser.CreateTree());
}

TEST(Modl, RemainderHasTheSignOfX)
{
    struct Remainder {
        long double x, y, expected;
    };
    const Remainder cases[] = {
        { 7, 3, 1 },
        { -7, 3, -1 },
        { 7, -3, 1 },
        { 7.5L, 2, 1.5L },
        { 5, 0, 0 },
        // Quotients beyond 32 bits: the exact remainder.
        { 1e12L, 7, 1 },
        { -1e12L, 7, -1 },
        { 1099511627776.5L, 2, 0.5L },
        { 1e4000L, 3, std::fmod(1e4000L, 3.0L) },
        { 1e-4000L, 1e4000L, 1e-4000L },
    };
    for (const Remainder& c : cases)
        EXPECT_EQ(TVelParser::modl(c.x, c.y), c.expected) << static_cast<double>(c.x) << " mod " << static_cast<double>(c.y);
}

}
