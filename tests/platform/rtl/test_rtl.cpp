#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FloatCheck.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TStringList.h"
#include <cmath>
#include <gtest/gtest.h>

TEST(StrToInt, AcceptsSignAndDigitsThatFit32Bits)
{
    struct Case { const char* text; int32_t value; };
    for (Case c : { Case { "0", 0 }, { "350", 350 }, { "-5", -5 }, { "+7", 7 }, { "007", 7 },
             { "2147483647", INT32_MAX }, { "-2147483648", INT32_MIN } })
        EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
}

TEST(StrToInt, RejectsEverythingElseWithTheMessage)
{
    for (const char* text : { "", "abc", "-", "+", " 1", "1 ", "12a", "0x10", "2147483648",
             "-2147483649", "99999999999999999999", "1.5" }) {
        try {
            StrToInt(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), Format("'%s' is not a valid integer value", text));
        }
    }
}

TEST(StringList, IndexErrorsCarryTheIndex)
{
    TStringList list { "a", "b" };
    list.Add("a");
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list[2], "a");
    try {
        list.Get(3);
        FAIL();
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (3)");
    }
    EXPECT_THROW(list.Delete(-1), EListError);
    EXPECT_THROW(list.Insert(5, "x"), EListError);
    EXPECT_EQ(list.Count(), 3);
}

TEST(StringList, TextSplitsOnBothLineEndsAndKeepsEmptyLines)
{
    TStringList list;
    list.SetText("x\r\n\ny^2\nlast");
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list[0], "x");
    EXPECT_EQ(list[1], "");
    EXPECT_EQ(list[2], "y^2");
    EXPECT_EQ(list[3], "last");
    EXPECT_EQ(list.Text(), "x\n\ny^2\nlast\n");
    TStringList copy;
    copy.Assign(list);
    list.Clear();
    EXPECT_EQ(copy.Count(), 4);
}

TEST(FloatGuard, RaisesOnlyDivisionInvalidAndOverflow)
{
    volatile long double zero = 0, big = 1e4000L, tiny = 1e-4000L;
    FloatGuard::Clear();
    volatile long double r = 1 / zero;
    EXPECT_THROW(FloatGuard::Check(), EZeroDivide);
    r = std::sqrt(-1 + zero);
    EXPECT_THROW(FloatGuard::Check(), EInvalidOp);
    r = big * big;
    EXPECT_THROW(FloatGuard::Check(), EOverflow);
    r = tiny * tiny;  // underflow and inexact stay quiet
    EXPECT_NO_THROW(FloatGuard::Check());
    (void)r;
}

TEST(Assertion, NamesConditionFileAndLine)
{
    try {
        VCL_ASSERT(false, "FTWAINState >= 3");
        FAIL();
    } catch (const EAssertionFailed& e) {
        EXPECT_NE(e.Message().find("FTWAINState >= 3"), std::string::npos);
        EXPECT_NE(e.Message().find("test_rtl.cpp"), std::string::npos);
    }
}

#include "platform/rtl/TComponent.h"

namespace {
struct Probe : TComponent {
    Probe(TComponent* owner, std::vector<int>& log, int id) : TComponent(owner), log(log), id(id) { }
    ~Probe() override { log.push_back(id); }
    std::vector<int>& log;
    int id;
};
}

TEST(Component, OwnerDestroysWhatItOwnsLastFirstAndOnlyOnce)
{
    std::vector<int> log;
    auto* owner = new Probe(nullptr, log, 0);
    new Probe(owner, log, 1);
    auto* second = new Probe(owner, log, 2);
    new Probe(second, log, 21);
    auto* third = new Probe(owner, log, 3);
    delete third;  // gone early: the owner must not free it again
    EXPECT_EQ(owner->ComponentCount(), 2);
    delete owner;
    EXPECT_EQ(log, (std::vector<int> { 3, 0, 2, 21, 1 }));
}
