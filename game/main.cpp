// VortexRaiders: the program. Opens Form1; its first activation runs the game.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/game_state.h"
#include "pilot.h"
#include "platform/audio.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/kernel.h"
#include "platform/runtime_error.h"
#include "platform/window.h"
#include "settings/settings.h"
#include "version.h"
#include "window/form1.h"

namespace {

constexpr const char* kProgram = "VortexRaiders";
constexpr const char* kStartUpTitle = "Vortex Raiders";

void Usage(FILE* out) {
    std::fprintf(out,
                 "Usage: VortexRaiders [options]\n"
                 "Vortex Raiders v%s, a shoot-'em-up. Steer with the mouse, fire with the left and\n"
                 "right buttons; a left click starts a run, Enter restarts, U uploads the scores, Escape quits.\n"
                 "\n"
                 "Options:\n"
                 "  --help               show this text\n"
                 "  --scale N|auto       draw the window N times larger (1 to 6) with sharp pixels; auto takes\n"
                 "                       the largest size that fits the desktop\n"
                 "  --fullscreen         fill the screen: the picture at the largest whole size that fits,\n"
                 "                       centred on black (Escape still quits)\n"
                 "  --windowed           play in a window again after --fullscreen\n"
                 "  --volume N           the master volume, 0 to 100 percent (50 is 6 dB quieter); ends --mute\n"
                 "  --mute               no sound\n"
                 "  --autopilot          play by itself (end-to-end checks): starts a run, weaves and fires\n"
                 "                       until the ship is destroyed, then presses Escape; answer its\n"
                 "                       dialogues with VR_DIALOG_SCRIPT\n"
                 "  --pilot-shots DIR    with --autopilot: save screenshots of the Earth intro, a busy\n"
                 "                       frame and the menu after the run as PNG files in DIR\n"
                 "  --pilot-runs N       with --autopilot: play N runs (default 1)\n"
                 "  --pilot-wait N       with --autopilot: wait N frames on the menu before the first run\n"
                 "                       (default 15); a click in the meantime starts it\n"
                 "\n"
                 "Environment:\n"
                 "  VORTEX_SCORE_SERVER  the score server's root address (default http://127.0.0.1:8099)\n"
                 "  VORTEX_WEB_SITE      the score page's web site (default: the score server)\n"
                 "  VR_DIALOG_SCRIPT     a file of dialogue answers, one per line\n"
                 "\n"
                 "The scale, full screen and volume given are remembered for the next runs in\n"
                 "%s.\n"
                 "The top-ten table is kept in %s/Top10.ini.\n",
                 vr::version::kGame, game::SettingsFilePath().c_str(), vr::SystemDirectory().c_str());
}

[[noreturn]] void BadOption(const std::string& text) {
    std::fprintf(stderr, "%s: %s (try --help)\n", kProgram, text.c_str());
    std::exit(2);
}

// A game that cannot start says why: on standard error, and in a message box
// where one can be shown (a display, or a dialog script). Started from a
// desktop menu there is no terminal, so the box is all the player sees.
[[noreturn]] void FailToStart(const std::string& reason) {
    std::fprintf(stderr, "%s: %s\n", kProgram, reason.c_str());
    try {
        vr::MsgBox(vr::Utf8ToAnsi(reason), vr::kMbOkOnly, kStartUpTitle);
    } catch (...) {
        // No display: standard error is the only place left.
    }
    std::fflush(stderr);
    std::_Exit(1);
}

// Creates the library's classes now, so a library that is missing, cannot
// load or is not registered (and has no manifest beside the program) stops
// the start with a clear reason. Creation decides; nothing else is checked.
void CreateLibraryObjects() {
    try {
        game::LibEngine();
        game::LibExtra();
    } catch (const vr::RuntimeError& e) {
        FailToStart("The engine library Korva2D_VR cannot be used: " + e.description() +
                    ".\nRebuild the program folder with scripts/build, or register the library with vr-regsvr.");
    }
}

}  // namespace

int main(int argc, char** argv) {
    bool autopilot = false;
    game::PilotOptions pilot;
    const std::string settingsFile = game::SettingsFilePath();
    game::Settings settings = game::LoadSettings(settingsFile);
    bool settingsGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        } else if (a == "--scale") {
            if (!hasValue || !game::ParseScale(argv[++i], settings.scale)) BadOption("--scale takes 1 to 6 or auto");
            settingsGiven = true;
        } else if (a == "--fullscreen" || a == "--windowed") {
            settings.fullScreen = a == "--fullscreen";
            settingsGiven = true;
        } else if (a == "--volume") {
            if (!hasValue || !game::ParseVolume(argv[++i], settings.volume)) BadOption("--volume takes 0 to 100");
            settings.mute = false;
            settingsGiven = true;
        } else if (a == "--mute") {
            settings.mute = true;
            settingsGiven = true;
        } else if (a == "--autopilot") {
            autopilot = true;
        } else if (a == "--pilot-shots") {
            if (!hasValue) BadOption("--pilot-shots takes a folder");
            pilot.shotsFolder = argv[++i];
        } else if (a == "--pilot-runs") {
            if (!hasValue || !game::ParsePilotCount(argv[++i], 1, 10000, pilot.runs))
                BadOption("--pilot-runs takes 1 to 10000");
        } else if (a == "--pilot-wait") {
            if (!hasValue || !game::ParsePilotCount(argv[++i], 0, 1000000, pilot.startFrame))
                BadOption("--pilot-wait takes 0 to 1000000 frames");
            pilot.startFrame = std::max(6, pilot.startFrame);
        } else {
            BadOption("unknown option " + a);
        }
    }
    if (settingsGiven && !game::SaveSettings(settings, settingsFile))
        std::fprintf(stderr, "%s: cannot write %s; these settings hold for this run only\n", kProgram,
                     settingsFile.c_str());
    vr::audio::Device::Instance().SetMasterLevel(game::MasterLevel(settings));
    vr::SetDefaultDialogTitle(kProgram);
    game::ProgramFolder = vr::ProgramFolder();
    for (const char* needed : {"/menu.jpg", "/art/PicPlayer.png"}) {
        if (!vr::PathFileExistsA(game::ProgramFolder + needed))
            FailToStart(game::ProgramFolder + needed +
                        " is missing; the program folder is incomplete (rebuild it with scripts/build).");
    }
    CreateLibraryObjects();
    try {
        vr::EnsureVideo();
    } catch (const vr::RuntimeError& e) {
        FailToStart("Cannot open the game window: " + e.description());
    }
    try {
        game::CreateForm1(game::ProgramFolder + "/art");
    } catch (const vr::RuntimeError& e) {
        FailToStart("Cannot prepare the game window: " + e.description());
    }
    try {
        if (autopilot) game::StartPilot(pilot);
        vr::Form& form = *game::Form1().form;
        form.SetScale(settings.scale == game::kScaleAuto ? vr::Form::kFitScale : settings.scale);
        std::string unused;  // asked for before the window is shown, full screen is taken when it is
        if (settings.fullScreen) form.EnterDesktopFullScreen(unused);
        form.Show();
        vr::RunMessageLoop();
    } catch (const vr::RuntimeError& e) {
        vr::ClipCursor(nullptr);
        vr::ReportRuntimeErrorAndExit(e, kProgram);
    }
    return 0;
}
