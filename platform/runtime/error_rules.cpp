#include "platform/error_rules.h"

#include <new>

#include "platform/runtime_error.h"

namespace vr {

Failure CurrentFailure() {
    try {
        throw;
    } catch (const FileFailure& e) {
        return {e.number(), e.description(), e.detail()};
    } catch (const RuntimeError& e) {
        return {e.number(), e.description(), {}};
    } catch (const std::bad_alloc&) {
        return {kErrOutOfMemory, RuntimeErrorDescription(kErrOutOfMemory), {}};
    } catch (const std::exception& e) {
        return {kErrInvalidCall, e.what(), {}};
    } catch (...) {
        return {kErrInvalidCall, RuntimeErrorDescription(kErrInvalidCall), {}};
    }
}

void Steps::Remember() noexcept {
    failed_ = true;
    try {
        last_ = CurrentFailure();
    } catch (const std::bad_alloc&) {
        last_ = Failure{kErrOutOfMemory, {}, {}};  // no room to copy the description
    }
}

}  // namespace vr
