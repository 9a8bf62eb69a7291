// The three error rules of the library's interface members, named as their
// call sites read:
//   return vr::ReturnErrorToCaller([&] { ... });   any failure ends the member and
//                                                  goes back to its caller as its HRESULT;
//   vr::Steps step(vr::OnError::kResumeNext);       "On Error Resume Next": a failing
//   step([&] { ... });                              step is skipped and the next one runs;
//   vr::LogAndGoOn([&] { ... }, log);               a failure ends the body, `log` writes
//                                                  one line about it, and the member goes on.
#pragma once
#include <cstdint>
#include <string>

#include "platform/com.h"

namespace vr {

// A failure one of the rules caught: its run-time error number (5 for a failure
// that is no run-time error, 7 for out of memory), its description and, for a
// FileFailure, which file and why.
struct Failure {
    int32_t number = 0;
    std::string description;
    std::string detail;
};

// The failure being handled; call it inside a handler only.
Failure CurrentFailure();

// Runs a member's body. A failure ends it and is the member's HRESULT, with
// its description as the thread's error info (com.h); otherwise S_OK.
template <class Body>
com::HRESULT ReturnErrorToCaller(Body&& body) noexcept {
    try {
        body();
        return com::S_OK;
    } catch (...) {
        return com::HResultFromCurrentException();
    }
}

// What a failing step of an algorithm does.
enum class OnError {
    kReturnToCaller,  // it ends the algorithm; its error goes on to the caller
    kResumeNext,      // it is skipped and remembered; the next step runs
};

// Runs the steps of an algorithm one at a time under one rule.
class Steps {
public:
    explicit Steps(OnError rule) : resumeNext_(rule == OnError::kResumeNext) {}

    template <class Step>
    void operator()(Step&& step) {
        if (!resumeNext_) {
            step();
            return;
        }
        try {
            step();
        } catch (...) {
            Remember();
        }
    }
    // True once a step was skipped.
    bool Failed() const { return failed_; }
    // The last skipped step's failure.
    const Failure& LastFailure() const { return last_; }

private:
    void Remember() noexcept;

    bool resumeNext_;
    bool failed_ = false;
    Failure last_;
};

// Runs a body; a failure ends it and is handed to `log(const Failure&)`, which
// writes one line (a failure of its own goes on to the caller). True when the
// body ran to its end.
template <class Body, class Log>
bool LogAndGoOn(Body&& body, Log&& log) {
    Failure failure;
    try {
        body();
        return true;
    } catch (...) {
        failure = CurrentFailure();
    }
    log(failure);
    return false;
}

}  // namespace vr
