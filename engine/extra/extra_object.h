// The Extra class: the frame limiter, the frame rate, pi, random integers,
// rectangle tests and the forwards to the file utilities.
#pragma once
#include "korva2d/korva2d.h"

namespace korva2d {

class ExtraObject final : public vr::com::DispatchObject<_Extra>, public _Extra2 {
public:
    ExtraObject();
    // IUnknown of both interfaces: one object, one reference count.
    HRESULT QueryInterface(const vr::com::GUID& iid, void** object) override;
    uint32_t AddRef() override { return DispatchObject::AddRef(); }
    uint32_t Release() override { return DispatchObject::Release(); }
    HRESULT LimitFPS(int16_t iFPS) override;
    HRESULT get_GetFpsTooMuch(Variant* result) override;
    HRESULT get_GetFps(Variant* result) override;
    HRESULT Sleep(int32_t& Milliseconds) override;
    HRESULT INIRead(Text& Section, Text& KeyName, Text& FileName, Text* result) override;
    HRESULT INIWrite(Text& Section, Text& KeyName, Text& NewString, Variant& FileName, int16_t* result) override;
    HRESULT SaveLog(Text& vText, Text& logFile) override;
    HRESULT get_Pi(float* result) override;
    HRESULT get_Rad(float* result) override;
    HRESULT FileExists(Text& FilePath, VBool* result) override;
    HRESULT RndNum(int32_t& MinNum, int32_t& MaxNum, int32_t* result) override;
    HRESULT IsRectInRect(Rect& Rect1, Rect& Rect2, VBool* result) override;
    HRESULT IsPointInRect(Variant& XPosition, Variant& YPosition, Rect& CRect, VBool* result) override;
    // _Extra2
    HRESULT WaitFrame(int16_t iFPS) override;

    // The limiter's state, in the order of the class's fields.
    int64_t CounterFrequency = 0;
    int16_t HasPerfCounter = 0;
    int16_t TimerReady = 0;
    int64_t LastFrameEnd = 0;
    int64_t FrameStart = 0;
    int64_t PollCounter = 0;
    int64_t WaitTicks = 0;
    int32_t WaitLoops = 0;
    int32_t FrameCount = 0;
    int32_t FpsWindowStart = 0;
    int32_t FpsValue = 0;
    // WaitFrame's estimate of how late a sleep wakes (performance counter ticks):
    // the wait spins for about that long before its end.
    int64_t SleepLateness = 0;

private:
    void InitTimer();
    // The frame period at iFPS in performance counter ticks (division by zero for 0).
    int64_t FramePeriod(int16_t iFPS) const;
    // The end of a frame wait: its time, and the frame counted into GetFps.
    void EndFrame();
    // Starts a frame's wait: the timer set up on first use, the wait's start
    // read and its length (WaitTicks) taken from the period and the frame so far.
    void BeginWait(int16_t iFPS);
    bool PointInRect(double x, double y, const Rect& r) const;
};

}  // namespace korva2d
