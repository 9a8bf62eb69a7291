// The Extra class: the frame limiter, the frame rate, pi, random integers,
// rectangle tests and the forwards to the file utilities.
#pragma once
#include "korva2d/korva2d.h"

namespace korva2d {

class ExtraObject final : public vr::com::DispatchObject<_Extra> {
public:
    ExtraObject();
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

private:
    void InitTimer();
    bool PointInRect(double x, double y, const Rect& r) const;
};

}  // namespace korva2d
