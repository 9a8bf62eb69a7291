#include "pad_script.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "core/game_main.h"
#include "core/game_state.h"
#include "core/pause.h"
#include "platform_testing/virtual_gamepad.h"
#include "window/form1.h"

namespace game {

namespace {

struct Step {
    int frame = 0;
    std::string command, a, b;
};

std::vector<Step> g_steps;
size_t g_next = 0;
int g_frame = 0;
int g_pad = -1;

bool ButtonNamed(const std::string& name, vr::PadButton& out) {
    static const std::pair<const char*, vr::PadButton> kNames[] = {
        {"a", vr::PadButton::A},          {"b", vr::PadButton::B},         {"start", vr::PadButton::Start},
        {"back", vr::PadButton::Back},    {"up", vr::PadButton::DpadUp},   {"down", vr::PadButton::DpadDown},
        {"left", vr::PadButton::DpadLeft}, {"right", vr::PadButton::DpadRight},
    };
    for (const auto& [n, b] : kNames)
        if (name == n) {
            out = b;
            return true;
        }
    return false;
}

void Run(const Step& s) {
    if (s.command == "plug") {
        std::string why;
        g_pad = vr::AttachVirtualGamepad(why);
        if (g_pad < 0) std::fprintf(stderr, "pad: cannot plug in a virtual controller: %s\n", why.c_str());
    } else if (s.command == "unplug") {
        vr::DetachVirtualGamepad(g_pad);
        g_pad = -1;
    } else if (s.command == "tilt") {
        vr::SetVirtualGamepadAxis(g_pad, s.a == "x" ? vr::PadAxis::LeftX : vr::PadAxis::LeftY, std::stoi(s.b));
    } else if (s.command == "press" || s.command == "release") {
        vr::PadButton b = vr::PadButton::A;
        if (ButtonNamed(s.a, b)) vr::SetVirtualGamepadButton(g_pad, b, s.command == "press");
    } else if (s.command == "report") {
        std::fprintf(stderr, "pad: frame %d playing %d pointer %d,%d fired %d paused %d\n", g_frame,
                     vr::IsTrue(G.Playing) ? 1 : 0, G.FieldMouseX, G.FieldMouseY, G.ShotsFired, RunPaused() ? 1 : 0);
    } else if (s.command == "shot") {
        if (!vr::SaveSurface(Form1().form->Compose(), s.a)) std::fprintf(stderr, "pad: cannot write %s\n", s.a.c_str());
    }
}

void Hook() {
    ++g_frame;
    while (g_next < g_steps.size() && g_steps[g_next].frame <= g_frame) Run(g_steps[g_next++]);
}

}  // namespace

bool StartPadScript(const std::string& path, std::string& why) {
    std::ifstream in(path);
    if (!in) {
        why = "cannot read " + path;
        return false;
    }
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        Step s;
        if (!(words >> s.frame)) {
            if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
            why = path + ":" + std::to_string(n) + ": no frame number";
            return false;
        }
        words >> s.command >> s.a >> s.b;
        vr::PadButton unused;
        bool ok = s.command == "plug" || s.command == "unplug" || s.command == "report" ||
                  (s.command == "shot" && !s.a.empty()) ||
                  ((s.command == "press" || s.command == "release") && ButtonNamed(s.a, unused)) ||
                  (s.command == "tilt" && (s.a == "x" || s.a == "y") && !s.b.empty() &&
                   s.b.find_first_not_of("-0123456789") == std::string::npos);
        if (!ok) {
            why = path + ":" + std::to_string(n) + ": cannot read \"" + line + "\"";
            return false;
        }
        if (!g_steps.empty() && s.frame < g_steps.back().frame) {
            why = path + ":" + std::to_string(n) + ": the frames must not go back";
            return false;
        }
        g_steps.push_back(s);
    }
    SetFrameHook(Hook);
    return true;
}

}  // namespace game
