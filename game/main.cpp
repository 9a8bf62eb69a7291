// VortexRaiders: the program. Opens Form1; its first activation runs the game.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/game_state.h"
#include "core/game_main.h"
#include "pad_script.h"
#include "pilot.h"
#include "replay_driver.h"
#include "platform/codepage.h"
#include "platform/cursor.h"
#include "platform/dialogs.h"
#include "platform/form.h"
#include "platform/gamepad.h"
#include "platform/kernel.h"
#include "platform/message_loop.h"
#include "platform/runtime_error.h"
#include "settings/settings.h"
#include "verifier_report.h"
#include "version.h"
#include "window/form1.h"
#include "window/window_choices.h"

namespace {

constexpr const char* kProgram = "VortexRaiders";
constexpr const char* kStartUpTitle = "Vortex Raiders";

// The command line: every option is a row of this table, given as --name or,
// when it takes a value, as --name VALUE or --name=VALUE. A row's take checks
// and applies the value (false refuses it, with the row's "takes ..." text).
// --help is written from the rows, the end-to-end checks' own under their
// heading; the settings' rows are remembered for the next runs.
struct Choices {
    game::Settings settings;
    bool settingsGiven = false;
    bool autopilot = false;
    game::PilotOptions pilot;
    std::string replayFile, verifyFile;
    int shotAt = 0;          // save the window after this frame (0: no)
    bool fastClock = false;  // a simulated clock, as fast as the machine allows
    std::string padScript;
};

// Help: --help. Setting: remembered for the next runs. Once: for this run only.
enum class Kind { Help, Setting, Once, ForChecks };

struct Option {
    const char* name;
    const char* value;  // the value's name in --help; nullptr: the option takes none
    const char* takes;  // what the value may be, for the refusal
    const char* help;   // its lines, '\n' between them
    Kind kind;
    bool (*take)(Choices&, const std::string&);
};

constexpr Option kOptions[] = {
    {"--help", nullptr, nullptr, "show this text", Kind::Help, nullptr},
    {"--version", nullptr, nullptr, "show the game's version and the engine library's", Kind::Help,
     [](Choices&, const std::string&) -> bool {
         std::printf("%s %s\n%s\n", kProgram, vr::version::kGame, vr::version::kEngineText);
         std::exit(0);
     }},
    {"--scale", "N|auto", "1 to 6 or auto",
     "draw the window N times larger (1 to 6) with sharp pixels; auto takes\nthe largest size that fits the desktop",
     Kind::Setting, [](Choices& c, const std::string& v) { return game::ParseScale(v, c.settings.scale); }},
    {"--fullscreen", nullptr, nullptr,
     "fill the screen: the picture at the largest whole size that fits,\ncentred on black (Escape still quits)",
     Kind::Setting, [](Choices& c, const std::string&) { return c.settings.fullScreen = true; }},
    {"--windowed", nullptr, nullptr, "play in a window again after --fullscreen", Kind::Setting,
     [](Choices& c, const std::string&) {
         c.settings.fullScreen = false;
         return true;
     }},
    {"--volume", "N", "0 to 100", "the master volume, 0 to 100 percent (50 is 6 dB quieter); ends --mute",
     Kind::Setting, [](Choices& c, const std::string& v) {
         if (!game::ParseVolume(v, c.settings.volume)) return false;
         c.settings.mute = false;
         return true;
     }},
    {"--mute", nullptr, nullptr, "no sound", Kind::Setting,
     [](Choices& c, const std::string&) { return c.settings.mute = true; }},
    {"--replay", "FILE", "a replay file",
     "show a recorded run (a .vrr file from Top10-replays beside Top10.ini)\nin the window at its own speed; Escape ends it; the table is\nnot touched",
     Kind::Once, [](Choices& c, const std::string& v) {
         c.replayFile = v;
         return !v.empty();
     }},
    {"--verify", "FILE", "a replay file",
     "replay a recorded run without a window as fast as the machine allows\nand print its score and time (status 0), or why it cannot be\nproved (status 1)",
     Kind::Once, [](Choices& c, const std::string& v) {
         c.verifyFile = v;
         return !v.empty();
     }},
    {"--pad-speed", "N", "100 to 999",
     "a game controller's pointer speed at full tilt, in pixels a second\n(default 600)",
     Kind::Setting, [](Choices& c, const std::string& v) { return game::ParsePadSpeed(v, c.settings.padSpeed); }},
    {"--autopilot", nullptr, nullptr,
     "play by itself: starts a run, weaves and fires until the ship is\n"
     "destroyed, then presses Escape; answer its dialogues with\nVR_DIALOG_SCRIPT",
     Kind::ForChecks, [](Choices& c, const std::string&) { return c.autopilot = true; }},
    {"--pilot-shots", "DIR", "a folder",
     "with --autopilot: save screenshots of the Earth intro, a busy\nframe and the menu after the run as PNG files in DIR",
     Kind::ForChecks, [](Choices& c, const std::string& v) {
         c.pilot.shotsFolder = v;
         return !v.empty();
     }},
    {"--pilot-runs", "N", "1 to 10000", "with --autopilot: play N runs (default 1)", Kind::ForChecks,
     [](Choices& c, const std::string& v) { return game::ParsePilotCount(v, 1, 10000, c.pilot.runs); }},
    {"--pilot-wait", "N", "0 to 1000000 frames",
     "with --autopilot: wait N frames on the menu before the first run\n(default 15); a click in the meantime starts it",
     Kind::ForChecks, [](Choices& c, const std::string& v) {
         if (!game::ParsePilotCount(v, 0, 1000000, c.pilot.startFrame)) return false;
         c.pilot.startFrame = std::max(6, c.pilot.startFrame);
         return true;
     }},
    {"--shot-at", "N", "1 to 1000000 frames",
     "save the window after frame N as frame-N.png in the --pilot-shots\nfolder (with --autopilot or --replay)",
     Kind::ForChecks, [](Choices& c, const std::string& v) { return game::ParsePilotCount(v, 1, 1000000, c.shotAt); }},
    {"--fast-clock", nullptr, nullptr,
     "run on a simulated clock as fast as the machine allows (the frame\nlimiter never waits); for recordings made by checks",
     Kind::ForChecks, [](Choices& c, const std::string&) { return c.fastClock = true; }},
    {"--pad-script", "FILE", "a file",
     "plug in a virtual game controller and work it as FILE says, frame\nby frame (see game/pad_script.h)",
     Kind::ForChecks, [](Choices& c, const std::string& v) {
         c.padScript = v;
         return !v.empty();
     }},
};

void ListOptions(FILE* out, bool forChecks) {
    for (const Option& o : kOptions) {
        if ((o.kind == Kind::ForChecks) != forChecks) continue;
        std::string head = std::string(o.name) + (o.value ? std::string(" ") + o.value : "");
        std::fprintf(out, "  %-19s", head.c_str());
        for (const char* line = o.help; *line;) {
            const char* end = std::strchr(line, '\n');
            int n = end ? int(end - line) : int(std::strlen(line));
            std::fprintf(out, "%s%.*s\n", line == o.help ? "  " : "                       ", n, line);
            line += n + (end ? 1 : 0);
        }
    }
}

void Usage(FILE* out) {
    std::fprintf(out,
                 "Usage: VortexRaiders [options]\n"
                 "Vortex Raiders v%s, a shoot-'em-up. Steer with the mouse, fire with the left and\n"
                 "right buttons; a left click starts a run, Enter restarts, P pauses (so does leaving the\n"
                 "window), U uploads the scores, Escape quits. A game controller steers with its left stick\n"
                 "or D-pad; A and B are the left and right buttons, Start pauses, Back quits. F11 turns\n"
                 "full screen on and off; drag the window's edge to size it (the largest whole scale that fits).\n"
                 "\nOptions (--name VALUE or --name=VALUE):\n",
                 vr::version::kGame);
    ListOptions(out, false);
    std::fprintf(out, "\nOptions for end-to-end checks:\n");
    ListOptions(out, true);
    std::fprintf(out,
                 "\n"
                 "Environment:\n"
                 "  VORTEX_SCORE_SERVER  the score server's root address (default http://127.0.0.1:8099)\n"
                 "  VORTEX_WEB_SITE      the score page's web site (default: the score server)\n"
                 "  VR_DIALOG_SCRIPT     a file of dialogue answers, one per line\n"
                 "\n"
                 "The scale, full screen and volume given are remembered for the next runs in\n"
                 "%s.\n"
                 "The top-ten table is kept in %s/Top10.ini.\n",
                 game::SettingsFilePath().c_str(), vr::SystemDirectory().c_str());
}

[[noreturn]] void BadOption(const std::string& text) {
    std::fprintf(stderr, "%s: %s (try --help)\n", kProgram, text.c_str());
    std::exit(2);
}

// Applies the command line's options in order; --help prints the usage and
// ends the program, anything not in the table ends it with status 2.
Choices ParseOptions(int argc, char** argv, game::Settings settings) {
    Choices c;
    c.settings = settings;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i], name = arg.substr(0, arg.find('=')), value;
        bool joined = name.size() < arg.size();
        if (arg == "-h") name = "--help";
        const Option* o = std::find_if(std::begin(kOptions), std::end(kOptions),
                                       [&](const Option& row) { return name == row.name; });
        if (o == std::end(kOptions)) BadOption("unknown option " + arg);
        if (!o->value && joined) BadOption(name + " takes no value");
        if (o->value && joined) value = arg.substr(name.size() + 1);
        else if (o->value && i + 1 < argc) value = argv[++i];
        else if (o->value) BadOption(name + " takes " + o->takes + "; no value given");
        if (!o->take) {
            Usage(stdout);
            std::exit(0);
        }
        if (!o->take(c, value)) BadOption(name + " takes " + o->takes + ", not \"" + value + "\"");
        c.settingsGiven |= o->kind == Kind::Setting;
    }
    return c;
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

// --shot-at: the window after frame N, in the --pilot-shots folder.
struct FrameShot {
    int at = 0, frame = 0;
    std::string folder;
    game::FrameHook inner = nullptr;
};
FrameShot g_shot;

// Taken before the pilot's input of the next frame, so a recorded run and its
// replay are seen at the same moment.
void ShotFrame() {
    if (++g_shot.frame == g_shot.at + 1 && !g_shot.folder.empty()) {
        std::string path = g_shot.folder + "/frame-" + std::to_string(g_shot.at) + ".png";
        if (!vr::SaveSurface(game::Form1().form->Compose(), path)) std::fprintf(stderr, "cannot write %s\n", path.c_str());
        else std::fprintf(stderr, "saved %s\n", path.c_str());
    }
    if (g_shot.inner) g_shot.inner();
}

void InstallFrameShot(const Choices& c) {
    if (!c.shotAt) return;
    g_shot = FrameShot{c.shotAt, 0, c.pilot.shotsFolder, game::GetFrameHook()};
    game::SetFrameHook(&ShotFrame);
}

// --verify: no window and no sound; the run is played on a simulated clock.
[[noreturn]] void Verify(const std::string& path) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    CreateLibraryObjects();
    try {
        game::CreateForm1(game::ProgramFolder + "/art");
    } catch (const vr::RuntimeError& e) {
        FailToStart("Cannot prepare the game: " + e.description());
    }
    int status = game::VerifyReplayFile(path);
    std::fflush(stdout);
    std::_Exit(status);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string settingsFile = game::SettingsFilePath();
    Choices choices = ParseOptions(argc, argv, game::LoadSettings(settingsFile));
    const game::Settings& settings = choices.settings;
    if (choices.settingsGiven && !game::SaveSettings(settings, settingsFile))
        std::fprintf(stderr, "%s: cannot write %s; these settings hold for this run only\n", kProgram,
                     settingsFile.c_str());
    game::ApplyMasterVolume(settings);
    vr::SetDefaultDialogTitle(kProgram);
    game::ProgramFolder = vr::ProgramFolder();
    if (!choices.replayFile.empty() && !choices.verifyFile.empty()) BadOption("--replay and --verify exclude each other");
    for (const char* needed : {"/menu.jpg", "/art/PicPlayer.png"}) {
        if (!vr::PathFileExistsA(game::ProgramFolder + needed))
            FailToStart(game::ProgramFolder + needed +
                        " is missing; the program folder is incomplete (rebuild it with scripts/build).");
    }
    if (!choices.verifyFile.empty()) Verify(choices.verifyFile);
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
        if (!choices.replayFile.empty()) {
            std::string why;
            if (!game::PrepareReplayWindow(choices.replayFile, why))
                FailToStart("Cannot show the replay " + choices.replayFile + ": " + why);
            InstallFrameShot(choices);
            game::WatchReplay(game::GetFrameHook());
        } else {
            if (choices.autopilot) game::StartPilot(choices.pilot);
            std::string why;
            if (!choices.padScript.empty() && !game::StartPadScript(choices.padScript, why)) BadOption(why);
            vr::UseGamepads(true, settings.padSpeed);
            InstallFrameShot(choices);
            if (choices.fastClock) {
                vr::UseManualClock(true, int64_t(36000) * 1000000000);
                vr::SetClockAutoStep(1000000);
            }
            // The session is recorded, so each run that earns a place keeps its replay.
            uint32_t drivers = (choices.autopilot ? uint32_t(score_protocol::kDriverAutopilot) : 0u) |
                               (choices.padScript.empty() ? 0u : uint32_t(score_protocol::kDriverPadScript)) |
                               (choices.fastClock ? uint32_t(score_protocol::kDriverSimulatedClock) : 0u);
            game::RecordSession(vr::SystemDirectory(), drivers);
        }
        vr::Form& form = *game::Form1().form;
        form.SetScale(settings.scale == game::kScaleAuto ? vr::Form::kFitScale : settings.scale);
        game::OfferWindowChoices(form, settingsFile);
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
