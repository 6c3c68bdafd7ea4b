// The marker scans on plain texts, against the step-by-step rules.
#include "components/html/MarkerScan.h"
#include "tests/components/html/ScanReference.h"
#include "platform/rtl/TStringList.h"
#include <gtest/gtest.h>
#include <random>

namespace {

struct Case {
    const char* name;
    MarkerScan::Markers markers;
    std::string text;
    std::vector<std::string> items;
    bool result;
};

std::vector<std::string> run(const MarkerScan::Markers& markers, const std::string& text, bool& result)
{
    TStringList list;
    result = MarkerScan::Run(text, markers, list, nullptr);
    return list.Items();
}


}

TEST(MarkerScan, TheRulesOnPlainTexts)
{
    const auto links = MarkerScan::Links();
    const auto images = MarkerScan::Images();
    const auto vars = MarkerScan::Values("var ", "=", ";");
    const std::vector<Case> cases = {
        { "links in order, result false", links, "<A href=\"x.html\">X</A><A href=\"y.html\">Y</A>", { "x.html", "y.html" }, false },
        { "text ends after the closing quote", links, "<A href=\"x.html\"", { "x.html" }, false },
        { "text ends inside an address", links, "<A href=\"x.html\">X</A> <A href=\"unfinished", { "x.html" }, true },
        { "small letters or another attribute first", links, "<a href=\"s.html\">s</a><A class=\"c\" href=\"o.html\">o</A>", {}, false },
        { "same link twice", links, "<A href=\"x\">1</A><A href=\"x\">2</A>", { "x", "x" }, false },
        { "start marker too near the end", links, "<A href=\"\"", {}, false },
        { "images, src first or later", images, "<IMG src=\"a.gif\"><IMG alt=\"b\" src=\"b.gif\">", { "a.gif", "b.gif" }, true },
        { "a later element's src counts", images, "<IMG alt=\"x\"><SCRIPT src=\"s.js\"></SCRIPT>", { "s.js" }, true },
        { "variables back to back", vars, "<SCRIPT>var a=1;var b=2;</SCRIPT>", { "1", "2" }, true },
        { "a value holding the value marker", vars, "<SCRIPT>var s=a==b;</SCRIPT>", { "a==b" }, true },
        { "a start marker inside a value re-arms", vars, "var a=1 var b=2;    ", { "2" }, true },
        { "a value never ended", vars, "var a=1        ", {}, true },
        { "empty value marker", MarkerScan::Values("x:", "", ";"), "x:1; x:2; end", { "1", "2" }, true },
        { "empty end marker", MarkerScan::Values("var ", "=", ""), "var a=1 var b=2 and more", { "", "" }, true },
        { "value marker fits", MarkerScan::Values("[", "=", "]"), "[=v]  ", { "v" }, true },
        { "value marker too near the end", MarkerScan::Values("[", "=", "]"), "[=v]", {}, false },
        { "empty start marker", MarkerScan::Values("", "=", ";"), "a=1;", {}, false },
        { "empty text, links", links, "", {}, false },
        { "empty text, images", images, "", {}, false },
        { "empty text, values", vars, "", {}, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool result = false;
        EXPECT_EQ(run(c.markers, c.text, result), c.items);
        EXPECT_EQ(result, c.result);
        std::vector<std::string> expected;
        EXPECT_EQ(scanreference::Reference(c.text, c.markers, expected), c.result);
        EXPECT_EQ(expected, c.items);
    }
}

TEST(MarkerScan, AppendsAfterWhatTheListHolds)
{
    TStringList list { "kept" };
    MarkerScan::Run("<A href=\"x\">1</A>  ", MarkerScan::Links(), list, nullptr);
    EXPECT_EQ(list.Items(), (std::vector<std::string> { "kept", "x" }));
}

TEST(MarkerScan, AgreesWithTheStepByStepRules)
{
    // Small alphabets make markers collide, overlap and sit at the very end.
    std::mt19937 random(20240611);
    const std::string alphabet = "ab=;\"<";
    auto word = [&](int maxLength) {
        std::string w;
        int n = std::uniform_int_distribution<int>(0, maxLength)(random);
        for (int i = 0; i < n; ++i)
            w += alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(random)];
        return w;
    };
    for (int round = 0; round < 20000; ++round) {
        std::string start = word(3), value = word(2), end = word(2), text = word(40);
        if (start.empty())
            start = "a";
        MarkerScan::Markers markers { start, value, end, round % 3 == 0, round % 5 == 0 };
        std::vector<std::string> expected;
        bool expectedResult = scanreference::Reference(text, markers, expected);
        bool result = false;
        ASSERT_EQ(run(markers, text, result), expected) << "text '" << text << "' markers '" << start << "' '" << value << "' '" << end << "'";
        ASSERT_EQ(result, expectedResult) << text;
    }
    // Long stretches without a marker cross the skip and pump boundaries.
    std::string text = std::string(10000, 'x') + "<A href=\"" + std::string(9000, 'y') + "\"" + std::string(5000, 'z');
    std::vector<std::string> expected;
    bool expectedResult = scanreference::Reference(text, MarkerScan::Links(), expected);
    bool result = true;
    EXPECT_EQ(run(MarkerScan::Links(), text, result), expected);
    EXPECT_EQ(result, expectedResult);
    EXPECT_EQ(expected.size(), 1u);
}

TEST(MarkerScan, HandlesMessagesWhileItRuns)
{
    // Without pending messages the toolkit is still polled regularly.
    std::string text(100000, 'x');
    TStringList list;
    int calls = 0;
    MarkerScan::Run(text, MarkerScan::Links(), list, [&] { ++calls; });
    EXPECT_GE(calls, static_cast<int>(text.size() / MarkerScan::PumpInterval) - 1);
}
