#include <cstdio>

#include "platform/com.h"
#include "platform/runtime_error.h"

namespace vr::com {

namespace {
thread_local std::string t_errorDescription;
constexpr uint32_t kControlFacility = 0x800A0000;
}  // namespace

HRESULT HResultFromRuntimeError(int32_t number) {
    return static_cast<HRESULT>(kControlFacility | (static_cast<uint32_t>(number) & 0xFFFF));
}

void SetErrorDescription(const std::string& text) { t_errorDescription = text; }

std::string TakeErrorDescription() {
    std::string t;
    t.swap(t_errorDescription);
    return t;
}

HRESULT HResultFromCurrentException() {
    try {
        throw;
    } catch (const RuntimeError& e) {
        SetErrorDescription(e.description());
        // Run-time error numbers travel as 0x800A0000 | number; a failure code
        // raised as an error (a DirectX HRESULT) reaches the caller unchanged.
        if (e.number() >= 1 && e.number() <= 0xFFFF) return HResultFromRuntimeError(e.number());
        return e.number() < 0 ? e.number() : E_FAIL;
    } catch (const std::bad_alloc&) {
        SetErrorDescription(RuntimeErrorDescription(kErrOutOfMemory));
        return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        SetErrorDescription(e.what());
        return E_FAIL;
    } catch (...) {
        SetErrorDescription("Unknown failure");
        return E_FAIL;
    }
}

std::string DescribeHResult(HRESULT hr) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<uint32_t>(hr));
    std::string text;
    switch (hr) {
        case E_NOTIMPL: text = "Not implemented"; break;
        case E_NOINTERFACE: text = "No such interface supported"; break;
        case E_POINTER: text = "Invalid pointer"; break;
        case E_OUTOFMEMORY: text = "Out of memory"; break;
        case E_INVALIDARG: text = "Invalid argument"; break;
        case REGDB_E_CLASSNOTREG: text = "Class not registered"; break;
        case CLASS_E_CLASSNOTAVAILABLE: text = "Class not available from this server"; break;
        case CLASS_E_NOAGGREGATION: text = "Class does not support aggregation"; break;
        case E_MOD_NOT_FOUND: text = "The server library could not be loaded"; break;
        case CO_E_ERRORINDLL: text = "The server library has no usable entry points"; break;
        default: text = "Automation error"; break;
    }
    return text + " (" + buf + ")";
}

void ThrowIfFailed(HRESULT hr) {
    if (Succeeded(hr)) return;
    std::string detail = TakeErrorDescription();
    uint32_t u = static_cast<uint32_t>(hr);
    if ((u & 0xFFFF0000u) == kControlFacility) {
        int32_t number = static_cast<int32_t>(u & 0xFFFF);
        throw RuntimeError(number, detail.empty() ? RuntimeErrorDescription(number) : detail);
    }
    if (hr == REGDB_E_CLASSNOTREG || hr == E_MOD_NOT_FOUND || hr == CO_E_ERRORINDLL ||
        hr == CLASS_E_CLASSNOTAVAILABLE) {
        std::string d = RuntimeErrorDescription(kErrCannotCreateObject);
        throw RuntimeError(kErrCannotCreateObject, d + " (" + DescribeHResult(hr) + (detail.empty() ? "" : ": " + detail) + ")");
    }
    if (hr == E_NOTIMPL) throw RuntimeError(kErrNotImplemented);
    throw RuntimeError(hr, detail.empty() ? DescribeHResult(hr) : detail);
}

}  // namespace vr::com
