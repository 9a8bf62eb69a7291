#include <gtest/gtest.h>

#include <set>

#include "platform/error_rules.h"
#include "platform/random.h"
#include "platform/variant.h"
#include "platform/vbtypes.h"

using namespace vr;

static int ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

TEST(Rounding, TiesGoToTheEvenNeighbourAndWholePartRoundsDown) {
    EXPECT_EQ(CInt(2.5), 2);
    EXPECT_EQ(CInt(3.5), 4);
    EXPECT_EQ(CInt(-2.5), -2);
    EXPECT_EQ(CInt(-3.5), -4);
    EXPECT_EQ(CInt(2.5000001), 3);
    EXPECT_EQ(CLng(800.5), 800);
    EXPECT_EQ(CLng(801.5), 802);
    EXPECT_EQ(Int16Floor(-0.5), -1);
    EXPECT_EQ(Int16Floor(2.99), 2);
    EXPECT_EQ(CInt(32767.4), 32767);
    EXPECT_EQ(ErrorOf([] { CInt(32767.5); }), kErrOverflow);  // rounds to 32768
    EXPECT_EQ(CInt(-32768.5), -32768);                         // ties to even stays in range
    EXPECT_EQ(ErrorOf([] { CLng(2147483648.0); }), kErrOverflow);
}

TEST(CheckedArithmetic, ResultsOutOfRangeRaiseOverflowAndZeroDivisorRaises11) {
    EXPECT_EQ(Add16(32766, 1), 32767);
    EXPECT_EQ(ErrorOf([] { Add16(32767, 1); }), kErrOverflow);
    EXPECT_EQ(ErrorOf([] { Sub16(-32768, 1); }), kErrOverflow);
    EXPECT_EQ(ErrorOf([] { Neg16(-32768); }), kErrOverflow);
    EXPECT_EQ(ErrorOf([] { Mul16(200, 200); }), kErrOverflow);
    EXPECT_EQ(ErrorOf([] { Add32(INT32_MAX, 1); }), kErrOverflow);
    EXPECT_EQ(ErrorOf([] { Sub32(INT32_MIN, 1); }), kErrOverflow);
    EXPECT_EQ(IntDiv16(-7, 2), -3);
    EXPECT_EQ(IntDiv16(302, 2), 151);
    EXPECT_EQ(ErrorOf([] { IntDiv16(1, 0); }), kErrDivisionByZero);
    EXPECT_EQ(ErrorOf([] { CheckedDivide(1000, 0); }), kErrDivisionByZero);
    EXPECT_EQ(ErrorOf([] { IntDiv16(-32768, -1); }), kErrOverflow);
}

TEST(Booleans, TrueIsAllBitsSetAndAnyNonZeroTestsTrue) {
    EXPECT_EQ(kTrue, -1);
    EXPECT_EQ(ToBool16(true), -1);
    EXPECT_EQ(ToBool16(false), 0);
    EXPECT_TRUE(IsTrue(1));
    EXPECT_TRUE(IsTrue(-1));
    EXPECT_FALSE(IsTrue(0));
}

TEST(Variant, ConvertsBetweenTextAndNumbersAsTheRuntimeDoes) {
    EXPECT_EQ(Variant(int16_t(-12)).ToText(), "-12");
    EXPECT_EQ(Variant(int32_t(26)).ToText(), "26");
    EXPECT_EQ(Variant(1.5f).ToText(), "1.5");
    EXPECT_EQ(Variant(0.1f).ToText(), "0.1");
    EXPECT_EQ(Variant(3.14159274f).ToText(), "3.141593");
    EXPECT_EQ(Variant::Boolean(true).ToText(), "True");
    EXPECT_EQ(Variant().ToText(), "");
    EXPECT_EQ(Variant("12").ToInt16(), 12);
    EXPECT_EQ(Variant(" 12 ").ToInt32(), 12);
    EXPECT_EQ(Variant("2.5").ToInt16(), 2);
    EXPECT_EQ(Variant("-7").ToInt16(), -7);
    EXPECT_EQ(Variant("&HFF").ToInt32(), 255);
    EXPECT_EQ(Variant(127.5).ToInt16(), 128);
    EXPECT_EQ(Variant().ToInt16(), 0);
    EXPECT_EQ(Variant::Boolean(true).ToInt16(), -1);
    EXPECT_EQ(ErrorOf([] { Variant("abc").ToInt16(); }), kErrTypeMismatch);
    EXPECT_EQ(ErrorOf([] { Variant("").ToInt16(); }), kErrTypeMismatch);
    EXPECT_EQ(ErrorOf([] { Variant("12x").ToInt16(); }), kErrTypeMismatch);
    EXPECT_EQ(ErrorOf([] { Variant("40000").ToInt16(); }), kErrOverflow);
    EXPECT_EQ(ErrorOf([] { Variant(1e12).ToInt32(); }), kErrOverflow);
}

TEST(NumberFormats, ZeroPatternsPadToTheirWidth) {
    EXPECT_EQ(FormatZeros(7, 4), "0007");
    EXPECT_EQ(FormatZeros(12345, 4), "12345");
    EXPECT_EQ(FormatZeros(3, 2), "03");
    EXPECT_EQ(FormatZeros(10, 2), "10");
    EXPECT_EQ(FormatZeros(33, 3), "033");
    EXPECT_EQ(FormatZeros(-5, 2), "-05");
    EXPECT_EQ(FormatZeros(0, 4), "0000");
    EXPECT_EQ(Str(-32768), "-32768");
}

TEST(RandomGenerator, ValuesLieInUnitIntervalAndKeySeedsRepeat) {
    RandomizeFromClock();
    for (int i = 0; i < 10000; ++i) {
        float r = Rnd();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
    }
    RandomizeFromKey(1234);
    std::vector<float> a;
    for (int i = 0; i < 50; ++i) a.push_back(Rnd());
    RandomizeFromClock();
    Rnd();
    RandomizeFromKey(1234);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(Rnd(), a[i]);
    RandomizeFromKey(1235);
    EXPECT_NE(Rnd(), a[0]);
    EXPECT_EQ(ErrorOf([] { RandomizeFromKey(-32768); }), kErrOverflow);
}

TEST(RandomGenerator, DrawsCoverTheRangeEvenly) {
    SetRandomState(12345);
    int counts[10] = {};
    for (int i = 0; i < 100000; ++i) ++counts[int(Rnd() * 10)];
    for (int c : counts) {
        EXPECT_GT(c, 9500);
        EXPECT_LT(c, 10500);
    }
    // Whole(R x 3) - 1 reaches all three sideways steps.
    std::set<int> steps;
    for (int i = 0; i < 100; ++i) steps.insert(int(WholePart(Rnd() * 3)) - 1);
    EXPECT_EQ(steps, (std::set<int>{-1, 0, 1}));
}

TEST(RuntimeErrors, ReportTextNamesNumberAndDescription) {
    RuntimeError e(kErrOverflow);
    EXPECT_EQ(e.description(), "Overflow");
    EXPECT_EQ(RuntimeErrorReportText(e), "Run-time error '6':\r\n\r\nOverflow");
    EXPECT_EQ(RuntimeError(11).description(), "Division by zero");
    EXPECT_EQ(RuntimeError(13).description(), "Type mismatch");
}

TEST(ErrorRules, AStepsFailureIsKeptWithItsNumberAndTheFileItConcerns) {
    Steps step(OnError::kResumeNext);
    std::vector<Failure> seen;
    for (auto fail : std::vector<std::function<void()>>{[] { throw FileFailure(53, "File not found", "a.wav: gone"); },
                                                        [] { throw std::bad_alloc(); },
                                                        [] { throw std::logic_error("odd"); }}) {
        step(fail);
        seen.push_back(step.LastFailure());
    }
    EXPECT_EQ(seen[0].detail, "a.wav: gone");
    EXPECT_EQ(std::vector<int32_t>({seen[0].number, seen[1].number, seen[2].number}),
              std::vector<int32_t>({53, kErrOutOfMemory, kErrInvalidCall}));
    EXPECT_EQ(seen[2].description, "odd");
}
