// Proving a recorded run: the replay, untrusted bytes from the network, is
// played back by the game itself (its --verify mode) in a separate process
// with no display, a scratch home, a CPU-time, memory and file-size limit and
// a wall-clock deadline; the server reads only the result it prints.
#pragma once
#include <cstddef>
#include <cstdint>
#include <semaphore>
#include <string>

namespace scores {

struct VerifierLimits {
    int cpuSeconds = 60;     // CPU time of one verification (a two-hour replay takes about 25 s)
    int wallSeconds = 120;   // real time of one verification, waiting included
    long memoryMiB = 1024;   // address space of the verifier; 0 for no limit
    int atOnce = 0;          // verifications running together; 0 for one per core
};

// What the verifier found.
struct Verdict {
    bool proved = false;
    std::string why;           // why the replay is refused (when not proved)
    bool serverFault = false;  // not proved because the server could not run the verifier
    bool busy = false;         // ... because every verifier stayed busy
    std::string name;  // the run's name as the game uploads it (decoded bytes)
    int32_t score = 0;
    int32_t time = 0;
};

class ReplayVerifier {
public:
    // `game` is the game program; it is run as `game --verify FILE`.
    ReplayVerifier(std::string game, const VerifierLimits& limits);
    // Plays the replay back and judges it. Waits up to 30 s while the
    // verifications allowed at once are running, then answers busy.
    Verdict Verify(const std::string& replay);
    const std::string& Game() const { return game_; }
    const VerifierLimits& Limits() const { return limits_; }

private:
    Verdict Run(const std::string& folder);
    std::string game_;
    VerifierLimits limits_;
    std::counting_semaphore<> slots_;
};

// Reads the verifier's output (what --verify prints, or why it refused).
Verdict ReadVerdict(int exitStatus, const std::string& out, const std::string& err);

}  // namespace scores
