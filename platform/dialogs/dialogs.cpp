#include "platform/dialogs.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>

#include "dialogs/input_box_window.h"
#include "platform/codepage.h"
#include "platform/message_loop.h"
#include "platform/replay.h"
#include "platform/runtime_error.h"
#include "platform_testing/dialog_answers.h"

namespace vr {

namespace {

std::string g_defaultTitle = "Project1";
std::deque<std::string> g_queued;
int g_dialogCount = 0;
std::function<void()> g_idleHook;

struct ScriptFile {
    std::string path;
    std::deque<std::string> lines;
    bool loaded = false;
};
ScriptFile g_script;

// The next scripted answer, if a script is in force.
bool NextScriptedAnswer(std::string& answer) {
    if (!g_queued.empty()) {
        answer = g_queued.front();
        g_queued.pop_front();
        return true;
    }
    const char* env = std::getenv("VR_DIALOG_SCRIPT");
    if (!env || !*env) return false;
    if (!g_script.loaded || g_script.path != env) {
        g_script = ScriptFile{env, {}, true};
        std::ifstream in(env, std::ios::binary);
        if (!in) throw RuntimeError(kErrFileNotFound, std::string("Dialog script not found: ") + env);
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            g_script.lines.push_back(line);
        }
    }
    if (g_script.lines.empty())
        throw RuntimeError(kErrInvalidCall, std::string("Dialog script ") + env + " has no answer left");
    answer = g_script.lines.front();
    g_script.lines.pop_front();
    return true;
}

std::string OneLine(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\r') continue;
        out += (c == '\n') ? std::string("\\n") : std::string(1, c);
    }
    return out;
}

void Trace(const std::string& title, const std::string& text, const std::string& answer) {
    std::fprintf(stderr, "[dialog] %s | %s | %s\n", AnsiToUtf8(OneLine(title)).c_str(),
                 AnsiToUtf8(OneLine(text)).c_str(), AnsiToUtf8(OneLine(answer)).c_str());
}

bool HaveRealDisplay() {
    try {
        EnsureVideo();
    } catch (const RuntimeError&) {
        return false;
    }
    const char* drv = SDL_GetCurrentVideoDriver();
    if (!drv) return false;
    std::string d = drv;
    return d != "offscreen" && d != "dummy";
}

[[noreturn]] void NoDisplay(const std::string& title) {
    throw RuntimeError(kErrInvalidCall, "Cannot show the dialog \"" + title +
                                            "\": no display is available (set VR_DIALOG_SCRIPT to answer dialogs)");
}

}  // namespace

void SetDefaultDialogTitle(const std::string& title) { g_defaultTitle = title; }
#if VR_TEST_SEAMS
void PushDialogAnswer(const std::string& answer) { g_queued.push_back(answer); }
int DialogCount() { return g_dialogCount; }
#endif
void SetModalIdleHook(std::function<void()> hook) { g_idleHook = std::move(hook); }
void RunModalIdleHook() {
    if (g_idleHook) g_idleHook();
}

namespace {
int MsgBoxLive(const std::string& text, int style, const std::string& title) {
    std::string shownTitle = title.empty() ? g_defaultTitle : title;
    ++g_dialogCount;
    bool yesNo = (style & 0xF) == kMbYesNo;
    std::string answer;
    if (NextScriptedAnswer(answer)) {
        int result = kIdOk;
        if (yesNo) result = (answer == "Yes" || answer == "yes" || answer == "Y") ? kIdYes : kIdNo;
        Trace(shownTitle, text, yesNo ? (result == kIdYes ? "Yes" : "No") : "OK");
        return result;
    }
    if (!HaveRealDisplay()) NoDisplay(shownTitle);
    DialogSpec spec;
    spec.title = shownTitle;
    spec.text = text;
    spec.buttons = yesNo ? std::vector<std::string>{"Yes", "No"} : std::vector<std::string>{"OK"};
    spec.defaultButton = 0;
    spec.cancelButton = yesNo ? 1 : 0;
    int pressed = RunDialogWindow(spec);
    int result = yesNo ? (pressed == 0 ? kIdYes : kIdNo) : kIdOk;
    Trace(shownTitle, text, yesNo ? (result == kIdYes ? "Yes" : "No") : "OK");
    return result;
}

std::string InputBoxLive(const std::string& prompt, const std::string& title, const std::string& defaultText) {
    std::string shownTitle = title.empty() ? g_defaultTitle : title;
    ++g_dialogCount;
    std::string answer;
    if (NextScriptedAnswer(answer)) {
        if (answer == "<cancel>") answer.clear();
        answer = Utf8ToAnsi(answer);
        Trace(shownTitle, prompt, answer);
        return answer;
    }
    if (!HaveRealDisplay()) NoDisplay(shownTitle);
    answer = RunInputBoxWindow(prompt, shownTitle, defaultText);
    Trace(shownTitle, prompt, answer);
    return answer;
}

}  // namespace

// A dialog's answer is something the program reads from outside: a recording
// keeps it, a playback answers with it without showing the dialog.
int MsgBox(const std::string& text, int style, const std::string& title) {
    std::string answer =
        replay::seam::DialogAnswer([&] { return std::to_string(MsgBoxLive(text, style, title)); });
    if (answer == std::to_string(kIdYes)) return kIdYes;
    if (answer == std::to_string(kIdNo)) return kIdNo;
    return kIdOk;
}

std::string InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) {
    return replay::seam::DialogAnswer([&] { return InputBoxLive(prompt, title, defaultText); });
}

}  // namespace vr
