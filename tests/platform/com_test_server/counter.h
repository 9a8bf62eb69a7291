// The interface of the test-only server: one class that adds numbers.
#pragma once
#include "platform/com.h"

inline constexpr vr::com::GUID CLSID_Counter = {0x6B1D2E40, 0x51A3, 0x4C7E, {0x9B, 0x11, 0x20, 0x7A, 0x4E, 0x35, 0xC2, 0x01}};
inline constexpr vr::com::GUID IID__Counter = {0x6B1D2E41, 0x51A3, 0x4C7E, {0x9B, 0x11, 0x20, 0x7A, 0x4E, 0x35, 0xC2, 0x01}};
inline constexpr vr::com::GUID LIBID_CounterLib = {0x6B1D2E42, 0x51A3, 0x4C7E, {0x9B, 0x11, 0x20, 0x7A, 0x4E, 0x35, 0xC2, 0x01}};

struct _Counter : vr::com::IDispatch {
    // Adds amount to the running total and answers the new total.
    virtual vr::com::HRESULT Add(int32_t& amount, int32_t* total) = 0;
    // Raises the run-time error `number` inside the server.
    virtual vr::com::HRESULT Fail(int32_t& number) = 0;
};
