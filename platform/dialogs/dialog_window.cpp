// A small modal dialog on SDL2 and SDL2_ttf: wrapped text, an optional edit
// field, and buttons. Enter presses the default button, Escape and closing
// press the cancel button. While it runs, owner windows keep repainting; when
// it closes, the window that had the keyboard before it has it again.
#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>

#include "dialogs/input_box_window.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/form.h"
#include "platform/gdi.h"
#include "platform/runtime_error.h"
#include "window/display_session.h"
#include "window/window_registry.h"

namespace vr {

namespace {

constexpr int kWidth = 400;
constexpr int kPad = 14;
constexpr int kButtonW = 84, kButtonH = 26;
constexpr int kEditH = 24;
const FontSpec kFont{"Sans", 10, false, false};

std::vector<std::string> WrapLines(const std::string& text, int maxWidth) {
    std::vector<std::string> out;
    std::string para;
    auto flush = [&](const std::string& p) {
        std::string line, word;
        size_t i = 0;
        std::vector<std::string> words;
        while (i <= p.size()) {
            size_t j = p.find(' ', i);
            if (j == std::string::npos) j = p.size();
            words.push_back(p.substr(i, j - i));
            i = j + 1;
        }
        for (const auto& w : words) {
            std::string trial = line.empty() ? w : line + " " + w;
            int tw = 0;
            MeasureText(trial, kFont, &tw, nullptr);
            if (tw > maxWidth && !line.empty()) {
                out.push_back(line);
                line = w;
            } else {
                line = trial;
            }
        }
        out.push_back(line);
    };
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n') {
            flush(para);
            para.clear();
        } else {
            para += c;
        }
    }
    flush(para);
    return out;
}

void FillRect(Surface& s, int x, int y, int w, int h, uint32_t px) {
    Surface block(w, h, px);
    BitBlt(s, x, y, w, h, block, 0, 0, SRCCOPY);
}

// The window that has the keyboard: the focused one, or else (its focus not
// reported yet) the last shown form.
uint32_t KeyboardOwner() {
    if (SDL_Window* w = SDL_GetKeyboardFocus()) return SDL_GetWindowID(w);
    const auto& forms = detail::AllForms();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it)
        if ((*it)->Shown()) return (*it)->NativeWindowId();
    return 0;
}

// Gives the keyboard back to a window that had it before a dialog. A window
// manager would do it; without one the focus goes nowhere when the dialog's
// window is destroyed, and the keyboard is dead until something focuses again.
void GiveFocusBack(uint32_t windowId) {
    SDL_Window* w = windowId ? SDL_GetWindowFromID(windowId) : nullptr;
    if (!w || !(SDL_GetWindowFlags(w) & SDL_WINDOW_SHOWN)) return;
    SDL_RaiseWindow(w);
    SDL_SetWindowInputFocus(w);
}

}  // namespace

// The scale of the window that has the keyboard: a dialog is drawn as many
// times larger as the window it stands over.
int OwnerScale(uint32_t ownerId) {
    Form* owner = ownerId ? detail::FormOfWindowId(ownerId) : nullptr;
    return owner && owner->Shown() ? std::max(1, owner->Scale()) : 1;
}

int RunDialogWindow(DialogSpec& spec) {
    // The layout is made at scale 1 and drawn n times larger, its text in an n times larger font.
    int lineH = 0;
    MeasureText("Ag", kFont, nullptr, &lineH);
    std::vector<std::string> lines = WrapLines(spec.text, kWidth - 2 * kPad);
    int textH = int(lines.size()) * lineH;
    int height = kPad + textH + kPad + (spec.hasEdit ? kEditH + kPad : 0) + kButtonH + kPad;
    std::string title = AnsiToUtf8(spec.title);
    const uint32_t ownerId = KeyboardOwner();
    const int n = OwnerScale(ownerId);
    const FontSpec font{kFont.face, kFont.size * n, kFont.bold, kFont.italic};
    SDL_Window* win = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWidth * n,
                                       height * n, SDL_WINDOW_SHOWN | SDL_WINDOW_ALWAYS_ON_TOP);
    if (!win) throw RuntimeError(kErrInvalidCall, std::string("Cannot open a dialog window: ") + SDL_GetError());
    SDL_RaiseWindow(win);
    uint32_t id = SDL_GetWindowID(win);
    if (spec.hasEdit) SDL_StartTextInput();

    const int count = int(spec.buttons.size());
    int buttonsY = height - kPad - kButtonH;
    auto buttonX = [&](int i) { return kWidth - kPad - (count - i) * (kButtonW + 8) + 8; };
    int editY = kPad + textH + kPad;
    int focus = spec.defaultButton;
    int result = -1;
    // As in a Windows input box, the default text starts selected: typing replaces it.
    bool selected = spec.hasEdit && !spec.editText.empty();
    // Rectangles and text in layout units, drawn n times larger.
    Surface img(kWidth * n, height * n);
    auto fill = [&](int x, int y, int w, int h, uint32_t px) { FillRect(img, x * n, y * n, w * n, h * n, px); };
    auto frame = [&](int x, int y, int w, int h, uint32_t px) {
        fill(x, y, w, 1, px);
        fill(x, y + h - 1, w, 1, px);
        fill(x, y, 1, h, px);
        fill(x + w - 1, y, 1, h, px);
    };
    auto text = [&](int x, int y, const std::string& t, COLORREF c) { TextOut(img, x * n, y * n, t, font, c); };
    auto width = [&](const std::string& t) {  // in layout units
        int w = 0;
        MeasureText(t, font, &w, nullptr);
        return (w + n - 1) / n;
    };

    while (result < 0) {
        img.Fill(PixelRGB(240, 240, 240));
        for (size_t i = 0; i < lines.size(); ++i) text(kPad, kPad + int(i) * lineH, lines[i], RGB(0, 0, 0));
        if (spec.hasEdit) {
            fill(kPad, editY, kWidth - 2 * kPad, kEditH, PixelRGB(255, 255, 255));
            frame(kPad, editY, kWidth - 2 * kPad, kEditH, PixelRGB(120, 120, 120));
            int tw = width(spec.editText);
            int tx = kPad + 4 - std::max(0, tw - (kWidth - 2 * kPad - 12));
            int ty = editY + (kEditH - lineH) / 2;
            if (selected) fill(tx - 1, ty, tw + 2, lineH, PixelRGB(0, 120, 215));
            text(tx, ty, spec.editText, selected ? RGB(255, 255, 255) : RGB(0, 0, 0));
            if (!selected && (SDL_GetTicks() / 500) % 2 == 0)
                fill(std::min(tx + tw + 1, kWidth - kPad - 3), editY + 4, 1, kEditH - 8, 0);
        }
        for (int i = 0; i < count; ++i) {
            int bx = buttonX(i);
            fill(bx, buttonsY, kButtonW, kButtonH, PixelRGB(225, 225, 225));
            frame(bx, buttonsY, kButtonW, kButtonH, i == focus ? PixelRGB(0, 90, 200) : PixelRGB(130, 130, 130));
            text(bx + (kButtonW - width(spec.buttons[i])) / 2, buttonsY + (kButtonH - lineH) / 2, spec.buttons[i], 0);
        }
        if (SDL_Surface* target = SDL_GetWindowSurface(win)) {
            SDL_Surface* src = SDL_CreateRGBSurfaceWithFormatFrom(img.pixels.data(), img.width, img.height, 32,
                                                                  img.width * 4, SDL_PIXELFORMAT_XRGB8888);
            if (src) {
                SDL_BlitSurface(src, nullptr, target, nullptr);
                SDL_FreeSurface(src);
            }
            SDL_UpdateWindowSurface(win);
        }
        RunModalIdleHook();

        SDL_Event e;
        if (!SDL_PollEvent(&e)) {
            detail::WaitForDisplayInput(win, 100);
            continue;
        }
        do {
            if (e.type == SDL_QUIT) {
                result = spec.cancelButton;
                SDL_PushEvent(&e);  // the owner sees the quit after the dialog
                break;
            }
            if (e.type == SDL_WINDOWEVENT && e.window.windowID == id && e.window.event == SDL_WINDOWEVENT_CLOSE) {
                result = spec.cancelButton;
            } else if (e.type == SDL_KEYDOWN && e.key.windowID == id) {
                SDL_Keycode k = e.key.keysym.sym;
                bool edit = spec.hasEdit;
                if (k == SDLK_RETURN || k == SDLK_KP_ENTER) result = edit ? spec.defaultButton : focus;
                else if (k == SDLK_ESCAPE) result = spec.cancelButton;
                else if (edit && k == SDLK_a && (e.key.keysym.mod & KMOD_CTRL)) selected = !spec.editText.empty();
                else if (edit && (k == SDLK_BACKSPACE || k == SDLK_DELETE) && selected) spec.editText.clear();
                else if (edit && k == SDLK_BACKSPACE && !spec.editText.empty()) spec.editText.pop_back();
                // The caret goes to the end of the text, which is no longer selected.
                else if (edit && (k == SDLK_LEFT || k == SDLK_RIGHT || k == SDLK_HOME || k == SDLK_END)) selected = false;
                else if (k == SDLK_TAB || k == SDLK_LEFT || k == SDLK_RIGHT) focus = (focus + 1) % std::max(1, count);
                if (k == SDLK_BACKSPACE || k == SDLK_DELETE) selected = false;
            } else if (e.type == SDL_TEXTINPUT && e.text.windowID == id && spec.hasEdit) {
                if (selected) spec.editText.clear();
                selected = false;
                spec.editText += Utf8ToAnsi(e.text.text);
            } else if (e.type == SDL_MOUSEBUTTONUP && e.button.windowID == id && e.button.button == SDL_BUTTON_LEFT) {
                int x = e.button.x / n, y = e.button.y / n;
                for (int i = 0; i < count; ++i) {
                    int bx = buttonX(i);
                    if (x >= bx && x < bx + kButtonW && y >= buttonsY && y < buttonsY + kButtonH) result = i;
                }
            }
            // Input meant for other windows is dropped: the owner is disabled while a dialog is open.
        } while (result < 0 && SDL_PollEvent(&e));
    }
    if (spec.hasEdit) SDL_StopTextInput();
    SDL_DestroyWindow(win);
    GiveFocusBack(ownerId);
    RunModalIdleHook();
    return result;
}

std::string RunInputBoxWindow(const std::string& prompt, const std::string& title, const std::string& defaultText) {
    DialogSpec spec;
    spec.title = title;
    spec.text = prompt;
    spec.buttons = {"OK", "Cancel"};
    spec.defaultButton = 0;
    spec.cancelButton = 1;
    spec.hasEdit = true;
    spec.editText = defaultText;
    int pressed = RunDialogWindow(spec);
    return pressed == 0 ? spec.editText : std::string();
}

}  // namespace vr
