// The Extra class's logic, driven with the platform's manual clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "extra/extra_object.h"
#include "platform/kernel.h"
#include "platform/random.h"
#include "platform_testing/manual_clock.h"

using namespace korva2d;

namespace {

struct ManualClock {
    ManualClock(int64_t startNs, int64_t stepNs) {
        vr::UseManualClock(true, startNs);
        vr::SetClockAutoStep(stepNs);
    }
    ~ManualClock() { vr::UseManualClock(false); }
};

ExtraObject* NewExtra() {
    auto* x = new ExtraObject();
    x->AddRef();
    return x;
}

}  // namespace

TEST(LimitFPS, PeriodUsesExactTicksAndWaitsOutTheRestOfTheFrame) {
    ManualClock clock(5'000'000'000, 1000);  // 5 s of uptime; every counter read advances 1 us
    ExtraObject* x = NewExtra();
    x->TimerReady = vr::kTrue;
    x->CounterFrequency = 3'579'545;  // ticks per second of the classic timer
    x->LastFrameEnd = 5'000'000'000;
    ASSERT_EQ(x->LimitFPS(60), vr::com::S_OK);
    // Period 59 659 ticks (3 579 545 / 60 = 59 659.08); the first read was 1 us after LastFrameEnd.
    EXPECT_EQ(x->WaitTicks, 59659 - 0);
    EXPECT_GE(x->PollCounter - x->FrameStart, x->WaitTicks);
    EXPECT_EQ(x->WaitLoops, 59659 / 1000 + 1);
    // A client that used more than the period: one pass only.
    vr::AdvanceManualClock(1'000'000'000);
    x->CounterFrequency = 1'000'000'000;
    x->LimitFPS(26);
    EXPECT_EQ(x->WaitLoops, 1);
    vr::com::ComPtr<_Extra> holder;
    Variant v;
    x->get_GetFpsTooMuch(&v);
    EXPECT_EQ(v, Variant(int32_t(1)));
    EXPECT_EQ(static_cast<uint32_t>(x->LimitFPS(0)), 0x800A000Bu);  // division by zero
    x->Release();
}

TEST(LimitFPS, HoldsTwentySixFramesASecondAndCountsThem) {
    ManualClock clock(3'000'000'000, 50'000);
    ExtraObject* x = NewExtra();
    int64_t first = 0;
    std::vector<int64_t> ends;
    for (int frame = 0; frame < 60; ++frame) {
        vr::AdvanceManualClock(10'000'000);  // the client works 10 ms
        x->LimitFPS(26);
        ends.push_back(x->LastFrameEnd);
        if (frame == 0) first = x->LastFrameEnd;
    }
    EXPECT_EQ(x->FpsValue, 26);
    double meanPeriod = double(ends.back() - ends[1]) / double(ends.size() - 2);
    EXPECT_NEAR(meanPeriod / 1e6, 1000.0 / 26, 0.2);
    EXPECT_GT(first, 0);
    Variant fps;
    x->get_GetFps(&fps);
    EXPECT_EQ(fps.ToInt32(), 26);
    x->Release();
}

TEST(WaitFrame, HoldsThePeriodAsLimitFPSDoesButSleepsMostOfIt) {
    // Each counter read advances 1 us, so a busy wait passes once per microsecond of the frame.
    ManualClock clock(2'000'000'000, 1000);
    struct {
        const char* name;
        HRESULT (ExtraObject::*wait)(int16_t);
        int32_t mostPasses;
    } waits[] = {{"LimitFPS", &ExtraObject::LimitFPS, 1 << 30}, {"WaitFrame", &ExtraObject::WaitFrame, 400}};
    for (const auto& w : waits) {
        ExtraObject* x = NewExtra();
        std::vector<int64_t> ends;
        int32_t passes = 0;
        for (int frame = 0; frame < 40; ++frame) {
            vr::AdvanceManualClock(3'000'000);  // the client works 3 ms
            ASSERT_EQ((x->*w.wait)(60), vr::com::S_OK);
            ends.push_back(x->LastFrameEnd);
            passes = std::max(passes, x->WaitLoops);
        }
        for (size_t i = 2; i < ends.size(); ++i)
            EXPECT_NEAR(double(ends[i] - ends[i - 1]) / 1e6, 1000.0 / 60, 0.01) << w.name << " frame " << i;
        EXPECT_LE(passes, w.mostPasses) << w.name;
        EXPECT_EQ(static_cast<uint32_t>((x->*w.wait)(0)), 0x800A000Bu) << w.name << ": division by zero";
        x->Release();
    }
}

TEST(LimitFPS, FrameRateWindowKeepsCountingWhenTheTickCountWraps) {
    // Start just before the signed 32-bit millisecond limit.
    ManualClock clock((int64_t(2147483647) - 1500) * 1'000'000, 100'000);
    ExtraObject* x = NewExtra();
    std::map<int32_t, int> values;
    for (int frame = 0; frame < 26 * 6; ++frame) {
        vr::AdvanceManualClock(5'000'000);
        x->LimitFPS(26);
        values[x->FpsValue]++;
    }
    EXPECT_LT(vr::GetTickCount(), 0);  // the counter has wrapped
    EXPECT_EQ(x->FpsValue, 26);        // and the window still closes every second
    x->Release();
}

TEST(ExtraUtilities, RectangleTestsIncludeEdgesAndAreOneSided) {
    ExtraObject* x = NewExtra();
    Rect r{0, 0, 10, 10}, s{5, 5, 20, 20}, a{0, 4, 20, 6}, b{8, 0, 12, 10};
    VBool res = 0;
    x->IsRectInRect(r, s, &res);
    EXPECT_EQ(res, -1);
    x->IsRectInRect(s, r, &res);
    EXPECT_EQ(res, -1);
    x->IsRectInRect(a, b, &res);
    EXPECT_EQ(res, 0);
    Variant ten(int16_t(10)), eleven(int16_t(11)), five("5");
    x->IsPointInRect(ten, ten, r, &res);
    EXPECT_EQ(res, -1);
    x->IsPointInRect(eleven, five, r, &res);
    EXPECT_EQ(res, 0);
    x->IsPointInRect(five, eleven, r, &res);
    EXPECT_EQ(res, 0);
    Variant word("abc");
    EXPECT_EQ(static_cast<uint32_t>(x->IsPointInRect(word, five, r, &res)), 0x800A000Du);  // type mismatch
    x->Release();
}

TEST(ExtraUtilities, RandomNumbersCoverTheRangeWithHalfWeightEnds) {
    ExtraObject* x = NewExtra();
    vr::SetRandomState(777);
    std::map<int32_t, int> counts;
    int32_t lo = 1, hi = 5, v = 0;
    for (int i = 0; i < 40000; ++i) {
        ASSERT_EQ(x->RndNum(lo, hi, &v), vr::com::S_OK);
        counts[v]++;
    }
    EXPECT_EQ(counts.size(), 5u);
    EXPECT_NEAR(counts[1], 5000, 400);
    EXPECT_NEAR(counts[3], 10000, 500);
    EXPECT_NEAR(counts[5], 5000, 400);
    int32_t same = 7;
    x->RndNum(same, same, &v);
    EXPECT_EQ(v, 7);
    int32_t wideLo = INT32_MIN, wideHi = INT32_MAX;
    EXPECT_EQ(static_cast<uint32_t>(x->RndNum(wideLo, wideHi, &v)), 0x800A0006u);
    x->Release();
}
