#include "extra/extra_object.h"

#include <algorithm>

#include "core/library_values.h"
#include "core/server_counts.h"
#include "extra/mod_extra.h"
#include "platform/error_rules.h"
#include "platform/kernel.h"
#include "platform/message_loop.h"
#include "platform/random.h"
#include "platform/vbtypes.h"

namespace korva2d {

using vr::ReturnErrorToCaller;
using vr::com::S_OK;

ExtraObject::ExtraObject() : DispatchObject(ServerObjectCounts(), IID__Extra) {}

void ExtraObject::InitTimer() {
    HasPerfCounter = vr::ToBool16(vr::QueryPerformanceFrequency(&CounterFrequency));
}

HRESULT ExtraObject::QueryInterface(const vr::com::GUID& iid, void** object) {
    if (object && iid == IID__Extra2) {
        *object = static_cast<_Extra2*>(this);
        AddRef();
        return S_OK;
    }
    return DispatchObject::QueryInterface(iid, object);
}

int64_t ExtraObject::FramePeriod(int16_t iFPS) const {
    double frameMs = vr::CheckedDivide(1000.0, iFPS);
    return static_cast<int64_t>(vr::RoundHalfEven(double(CounterFrequency) * frameMs / 1000.0));
}

void ExtraObject::EndFrame() {
    vr::QueryPerformanceCounter(&LastFrameEnd);
    int32_t t = vr::GetTickCount();
    FrameCount = vr::Add32(FrameCount, 1);
    // The window test counts in unsigned milliseconds, so it keeps working
    // when the signed tick count wraps.
    if (static_cast<uint32_t>(t) - static_cast<uint32_t>(FpsWindowStart) > 1000u) {
        FpsValue = FrameCount;
        FrameCount = 0;
        FpsWindowStart = t;
    }
}

void ExtraObject::BeginWait(int16_t iFPS) {
    if (!vr::IsTrue(TimerReady)) {
        InitTimer();
        TimerReady = vr::kTrue;
    }
    vr::QueryPerformanceCounter(&FrameStart);
    WaitTicks = FramePeriod(iFPS) - (FrameStart - LastFrameEnd);
}

HRESULT ExtraObject::LimitFPS(int16_t iFPS) {
    return ReturnErrorToCaller([&] {
        BeginWait(iFPS);
        WaitLoops = 0;
        do {
            WaitLoops = vr::Add32(WaitLoops, 1);
            vr::ProcessPendingMessages();
            vr::QueryPerformanceCounter(&PollCounter);
        } while (PollCounter - FrameStart < WaitTicks);
        EndFrame();
    });
}

// The same end of the wait as LimitFPS, reached mostly asleep: slices of at
// most a millisecond (messages are processed between them) until the end is
// nearer than a sleep's lateness, then the busy loop for the rest.
HRESULT ExtraObject::WaitFrame(int16_t iFPS) {
    return ReturnErrorToCaller([&] {
        BeginWait(iFPS);
        const int64_t slice = CounterFrequency / 1000;          // 1 ms
        const int64_t least = CounterFrequency / 4000;          // 0.25 ms
        const int64_t most = CounterFrequency / 500;            // 2 ms
        WaitLoops = 0;
        for (;;) {
            WaitLoops = vr::Add32(WaitLoops, 1);
            vr::ProcessPendingMessages();
            vr::QueryPerformanceCounter(&PollCounter);
            int64_t left = WaitTicks - (PollCounter - FrameStart);
            if (left <= 0) break;
            int64_t spin = std::clamp(SleepLateness * 3 / 2, least, most);
            if (left <= spin) continue;
            int64_t nap = std::min(left - spin, slice);
            int64_t before = PollCounter;
            vr::SleepNs(nap * 1000000000 / CounterFrequency);
            vr::QueryPerformanceCounter(&PollCounter);
            // The lateness estimate follows a late wake at once and forgets it slowly.
            int64_t late = std::max<int64_t>(0, PollCounter - before - nap);
            SleepLateness = std::max(late, SleepLateness - SleepLateness / 64);
        }
        EndFrame();
    });
}

HRESULT ExtraObject::get_GetFpsTooMuch(Variant* result) {
    if (result) *result = Variant(WaitLoops);
    return S_OK;
}

HRESULT ExtraObject::get_GetFps(Variant* result) {
    if (result) *result = Variant(FpsValue);
    return S_OK;
}

HRESULT ExtraObject::Sleep(int32_t& Milliseconds) {
    return ReturnErrorToCaller([&] { PauseMs(Milliseconds); });
}

HRESULT ExtraObject::INIRead(Text& Section, Text& KeyName, Text& FileName, Text* result) {
    return ReturnErrorToCaller([&] {
        Text v = ReadIniValue(Section, KeyName, FileName);
        if (result) *result = v;
    });
}

HRESULT ExtraObject::INIWrite(Text& Section, Text& KeyName, Text& NewString, Variant& FileName, int16_t* result) {
    return ReturnErrorToCaller([&] {
        int16_t v = WriteIniValue(Section, KeyName, NewString, FileName);
        if (result) *result = v;
    });
}

HRESULT ExtraObject::SaveLog(Text& vText, Text& logFile) {
    return ReturnErrorToCaller([&] { AppendLog(vText, logFile); });
}

HRESULT ExtraObject::get_Pi(float* result) {
    if (result) *result = Lib().Pi;
    return S_OK;
}

HRESULT ExtraObject::get_Rad(float* result) {
    if (result) *result = Lib().Rad;
    return S_OK;
}

HRESULT ExtraObject::FileExists(Text& FilePath, VBool* result) {
    return ReturnErrorToCaller([&] {
        VBool v = vr::ToBool16(AppFileExists(FilePath));
        if (result) *result = v;
    });
}

HRESULT ExtraObject::RndNum(int32_t& MinNum, int32_t& MaxNum, int32_t* result) {
    return ReturnErrorToCaller([&] {
        float r = vr::Rnd();
        int32_t range = vr::Sub32(MaxNum, MinNum);
        int32_t v = vr::CLng(double(r) * double(range) + double(MinNum));
        if (result) *result = v;
    });
}

bool ExtraObject::PointInRect(double x, double y, const Rect& r) const {
    if (x < r.left) return false;
    if (x > r.right) return false;
    if (y < r.top) return false;
    if (y > r.bottom) return false;
    return true;
}

HRESULT ExtraObject::IsRectInRect(Rect& Rect1, Rect& Rect2, VBool* result) {
    const double corners[4][2] = {{double(Rect1.left), double(Rect1.top)},
                                  {double(Rect1.right), double(Rect1.top)},
                                  {double(Rect1.left), double(Rect1.bottom)},
                                  {double(Rect1.right), double(Rect1.bottom)}};
    bool inside = false;
    for (const auto& c : corners)
        if (PointInRect(c[0], c[1], Rect2)) {
            inside = true;
            break;
        }
    if (result) *result = vr::ToBool16(inside);
    return S_OK;
}

HRESULT ExtraObject::IsPointInRect(Variant& XPosition, Variant& YPosition, Rect& CRect, VBool* result) {
    return ReturnErrorToCaller([&] {
        // Tested in this order; Y is not even read when X lies outside.
        double x = XPosition.ToNumber();
        bool inside = x >= CRect.left && x <= CRect.right;
        if (inside) {
            double y = YPosition.ToNumber();
            inside = y >= CRect.top && y <= CRect.bottom;
        }
        if (result) *result = vr::ToBool16(inside);
    });
}

}  // namespace korva2d
