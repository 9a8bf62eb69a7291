// Proving a recorded run: the replay, untrusted bytes from the network, is
// played back by the game itself (its --verify mode) in a sandboxed process
// (verifier_sandbox.h) with a wall-clock deadline; the server reads only the
// report it prints (verifier_report.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "verifier_report.h"
#include "verifier_sandbox.h"

namespace scores {

struct VerifierLimits {
    int cpuSeconds = score_protocol::kVerifyCpuSeconds;    // a two-hour replay takes about 25 s
    int wallSeconds = score_protocol::kVerifyWallSeconds;  // real time of one verification
    long memoryMiB = 1024;  // address space of the verifier; 0 for no limit
    int atOnce = 0;         // verifications running together; 0 for one per core
    std::string user = "nobody";  // whom the verifier runs as when the server is root
};

// What the verifier found.
struct Verdict {
    bool proved = false;
    std::string why;           // why the replay is refused (when not proved)
    bool serverFault = false;  // not proved because the server could not run the verifier
    score_protocol::VerifierReport report;  // when proved
};

class ReplayVerifier {
public:
    // `game` is the game program; it is run as `game --verify FILE`. Throws
    // std::runtime_error when the sandbox cannot be prepared.
    ReplayVerifier(std::string game, const VerifierLimits& limits);
    virtual ~ReplayVerifier() = default;
    // Plays the replay back and judges it (one call per verification; the
    // caller decides how many run at once).
    virtual Verdict Verify(const std::string& replay);
    const std::string& Game() const { return game_; }
    const VerifierLimits& Limits() const { return limits_; }
    // Verifications that may run at once.
    int AtOnce() const;
    // What the sandbox holds, for the start-up line.
    std::string DescribeSandbox() const;

private:
    Verdict Run(const std::string& folder);
    std::string game_;
    VerifierLimits limits_;
    SandboxPlan plan_;
};

// Reads the verifier's output (what --verify prints, or why it refused).
Verdict ReadVerdict(int exitStatus, const std::string& out, const std::string& err);

}  // namespace scores
