#include "scores/upload.h"

#include <algorithm>
#include <cstdlib>

#include "core/game_state.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/error_rules.h"
#include "platform/kernel.h"
#include "platform/message_loop.h"
#include "platform/net.h"
#include "platform/regular_file.h"
#include "platform/replay.h"
#include "score_protocol.h"
#include "verifier_report.h"
#include "scores/field_text.h"
#include "scores/run_replays.h"
#include "window/form1.h"

namespace game {

namespace {
constexpr const char* kDefaultServer = "http://127.0.0.1:8099";
constexpr int kPlaces = 10;
// Answers still on their way after the upload's own waits get this long
// (in real time: 10 ms at a time, window messages processed between).
constexpr int kLateAnswerMs = 5000;
// The server answers a posted replay once it is queued for verification.
constexpr int kReplayAnswerMs = score_protocol::kReplayAnswerSeconds * 1000;

std::string FromEnvironment(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    std::string s = v && *v ? v : fallback;
    while (!s.empty() && s.back() == '/') s.pop_back();
    return s;
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
    size_t at = 0;
    while ((at = s.find(from, at)) != std::string::npos) {
        s.replace(at, from.size(), to);
        at += to.size();
    }
    return s;
}

vr::BrowserControl& Browser() {
    static vr::BrowserControl wb;
    return wb;
}
}  // namespace

std::string ScoreServer() { return FromEnvironment("VORTEX_SCORE_SERVER", kDefaultServer); }
std::string WebSite() { return FromEnvironment("VORTEX_WEB_SITE", FromEnvironment("VORTEX_SCORE_SERVER", kDefaultServer)); }

std::string UploadName(const std::string& name) { return vr::AnsiToUtf8(ReplaceAll(name, "&", "and")); }

std::string QueryName(const std::string& name) {
    return score_protocol::PercentEncode(UploadName(name), score_protocol::IsUnreserved);
}

std::string ScoreRequest(int place) {
    const ScoreEntry& e = G.TopTen[place];
    return ScoreServer() + score_protocol::UploadTarget(QueryName(e.Name), e.Score, place == 1);
}

std::string ReplayAddress() { return ScoreServer() + score_protocol::kReplayPath; }

int PostReplays() {
    int started = 0;
    for (int place = kPlaces; place >= 1; --place) {
        std::string file = ReplayOfPlace(vr::SystemDirectory(), place);
        if (file.empty()) continue;
        std::string bytes, why;
        if (!vr::ReadRegularFile(file, score_protocol::kMaxReplayBytes, bytes, why) || bytes.empty()) continue;
        started += vr::PostInBackground(ReplayAddress(), bytes, kReplayAnswerMs);
    }
    return started;
}

bool IsOnline() { return vr::InternetCheckConnectionA(WebSite().c_str(), vr::FLAG_ICC_FORCE_CONNECTION, 0) != 0; }

void UploadScores() {
    // A played-back run sends nothing; a recorded one keeps none of the
    // upload's readings, since its playback leaves the upload out.
    if (vr::replay::Playing()) return;
    vr::replay::SuspendReadings notRecorded;
    if (!IsOnline()) {
        vr::MsgBox("You must connect to the Internet first!", vr::kMbOkOnly);
        return;
    }
    // Each step of the upload is skipped when it fails.
    vr::Steps step(vr::OnError::kResumeNext);
    step([] { Browser().Silent = false; });
    step([] {
        Field().Cls();
        PrintFieldText(vr::Variant("PLEASE WAIT... UPLOADING SCORES..."), 55, 155, 8, false, false);
    });
    const int answeredBefore = vr::AnsweredNavigations();
    auto answered = [answeredBefore] { return std::min(kPlaces, vr::AnsweredNavigations() - answeredBefore); };
    for (int n = 10; n >= 1; --n) {
        step([n] { Browser().Navigate(ScoreRequest(n)); });
        for (int i = 0; i < 400; ++i) {
            vr::Sleep(1);
            step([] { vr::ProcessPendingMessages(); });
        }
    }
    for (int waited = 0; waited < kLateAnswerMs && answered() < kPlaces && !vr::WaitForNavigations(10); waited += 10)
        step([] { vr::ProcessPendingMessages(); });
    // The server's answers are checked, so the player is not told of an upload
    // that did not happen.
    if (int got = answered(); got < kPlaces) {
        std::string text = got == 0 ? "Your scores were not uploaded: the score server did not accept them."
                                    : "Only " + vr::Str(got) + " of the 10 places were uploaded: the score server "
                                      "did not accept the others.";
        step([&] { vr::MsgBox(text + " Please try again later.", vr::kMbOkOnly, "Online Scores"); });
        if (got == 0) return;
    }
    // Each place's recorded run follows, for the server to prove; whatever
    // becomes of them changes nothing of the upload.
    step([] { PostReplays(); });
    int answer = vr::kIdNo;
    step([&] {
        answer = vr::MsgBox("Your score uploaded! Do you want to check if you got on the list?", vr::kMbYesNo,
                            "Online Scores");
    });
    if (answer == vr::kIdYes)
        step([] { vr::ShellExecuteA(0, "open", (WebSite() + score_protocol::PageTarget()).c_str(), "", "", 0); });
}

}  // namespace game
