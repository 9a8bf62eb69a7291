// VortexRaiders: the program. Opens Form1; its first activation runs the game.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/game_state.h"
#include "pilot.h"
#include "platform/dialogs.h"
#include "platform/kernel.h"
#include "platform/runtime_error.h"
#include "platform/window.h"
#include "window/form1.h"

namespace {

constexpr const char* kProgram = "VortexRaiders";

void Usage(FILE* out) {
    std::fprintf(out,
                 "Usage: VortexRaiders [options]\n"
                 "Vortex Raiders v1.3.21, a shoot-'em-up. Steer with the mouse, fire with the left and\n"
                 "right buttons; a left click starts a run, Enter restarts, U uploads the scores, Escape quits.\n"
                 "\n"
                 "Options:\n"
                 "  --help               show this text\n"
                 "  --autopilot          play by itself (end-to-end checks): starts a run, weaves and fires\n"
                 "                       until the ship is destroyed, then presses Escape; answer its\n"
                 "                       dialogues with VR_DIALOG_SCRIPT\n"
                 "  --pilot-shots DIR    with --autopilot: save screenshots of the Earth intro, a busy\n"
                 "                       frame and the menu after the run as PNG files in DIR\n"
                 "  --pilot-runs N       with --autopilot: play N runs (default 1)\n"
                 "\n"
                 "Environment:\n"
                 "  VORTEX_SCORE_SERVER  the score server's root address (default http://127.0.0.1:8099)\n"
                 "  VORTEX_WEB_SITE      the score page's web site (default: the score server)\n"
                 "  VR_DIALOG_SCRIPT     a file of dialogue answers, one per line\n"
                 "\n"
                 "The top-ten table is kept in %s/Top10.ini.\n",
                 vr::SystemDirectory().c_str());
}

}  // namespace

int main(int argc, char** argv) {
    bool autopilot = false;
    game::PilotOptions pilot;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        } else if (a == "--autopilot") {
            autopilot = true;
        } else if (a == "--pilot-shots" && i + 1 < argc) {
            pilot.shotsFolder = argv[++i];
        } else if (a == "--pilot-runs" && i + 1 < argc) {
            pilot.runs = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "%s: unknown option %s (try --help)\n", kProgram, a.c_str());
            return 2;
        }
    }
    vr::SetDefaultDialogTitle(kProgram);
    game::ProgramFolder = vr::ProgramFolder();
    for (const char* needed : {"/menu.jpg", "/art/PicPlayer.png", "/vr-classes.manifest"}) {
        if (!vr::PathFileExistsA(game::ProgramFolder + needed)) {
            std::fprintf(stderr, "%s: %s%s is missing; the program folder is incomplete (rebuild with scripts/build)\n",
                         kProgram, game::ProgramFolder.c_str(), needed);
            return 1;
        }
    }
    try {
        vr::EnsureVideo();
    } catch (const vr::RuntimeError& e) {
        std::fprintf(stderr, "%s: cannot open the game window: %s\n", kProgram, e.description().c_str());
        return 1;
    }
    try {
        game::CreateForm1(game::ProgramFolder + "/art");
        if (autopilot) game::StartPilot(pilot);
        game::Form1().form->Show();
        vr::RunMessageLoop();
    } catch (const vr::RuntimeError& e) {
        vr::ClipCursor(nullptr);
        vr::ReportRuntimeErrorAndExit(e, kProgram);
    }
    return 0;
}
