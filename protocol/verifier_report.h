// The contract between the score server and the game's --verify mode, which
// proves a recorded run: what the verifier prints (its report, or why it
// refuses a replay), who may have driven a recorded session, and the times
// both sides keep to.
#pragma once
#include <cstdint>
#include <string>

namespace score_protocol {

// What besides a person drove a recorded session (a replay header's flags).
enum Driver : uint32_t {
    kDriverAutopilot = 1,       // --autopilot played it
    kDriverPadScript = 2,       // a virtual controller script moved the pointer
    kDriverSimulatedClock = 4,  // --fast-clock: time did not pass as it does for a person
};
// "a person" for none, otherwise the drivers' names ("the autopilot and a simulated clock").
std::string DescribeDrivers(uint32_t drivers);

// A proved run, as --verify prints it: one "key value" line each.
struct VerifierReport {
    int32_t score = 0, time = 0, accuracy = 0, place = 0;
    int32_t frames = 0;
    std::string uploadName;  // the run's name as the score upload sends it (before %XX escapes)
    uint32_t drivers = 0;    // Driver flags of the recorded session
    std::string run;         // the run's fingerprint: 16 hex digits, names excluded
};
std::string FormatReport(const VerifierReport& report);
// Reads a report; false when a line it needs is missing, repeated or not a
// value of its kind (a name cannot smuggle in a line of its own).
bool ParseReport(const std::string& text, VerifierReport& out);

// The verifier's line on standard error when it refuses a replay.
std::string FormatRefusal(const std::string& program, const std::string& file, const std::string& why);
// The reason of the last refusal line in a text; false when there is none.
bool ParseRefusal(const std::string& text, std::string& why);
// Exit statuses of --verify.
inline constexpr int kVerifyProved = 0;
inline constexpr int kVerifyRefused = 1;

// Times: the verifier's processor time and real time for one replay (by
// default), and how long a posted replay may wait for its turn.
inline constexpr int kVerifyCpuSeconds = 60;
inline constexpr int kVerifyWallSeconds = 120;
inline constexpr int kReplayQueueSeconds = 600;
// A posted replay is answered when it is queued (202), never after its
// verification, so the game's wait for an answer is short.
inline constexpr int kReplayAnswerSeconds = 30;

}  // namespace score_protocol
