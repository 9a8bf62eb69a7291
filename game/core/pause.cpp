#include "core/pause.h"

#include "core/game_state.h"
#include "core/new_run.h"
#include "platform/audio.h"
#include "platform/cursor.h"
#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/picture_box.h"
#include "platform/user_types.h"
#include "platform/window_rect.h"
#include "scores/field_text.h"
#include "window/form1.h"

namespace game {

namespace {

constexpr const char* kPausedText = "PAUSED";

// "PAUSED" in the head-up texts' yellow, large and bold, in the middle of the
// field over the frame it stopped at; the field's colour and font stay as they were.
void DrawPausedText() {
    vr::PictureBox& f = Field();
    const vr::COLORREF colour = f.ForeColor();
    const vr::FontSpec font = f.Font();
    vr::FontSpec big = font;
    big.size = 24;
    big.bold = true;
    int w = 0, h = 0;
    vr::MeasureText(kPausedText, big, &w, &h);
    f.SetForeColor(vr::RGB(255, 255, 0));
    PrintFieldText(vr::Variant(kPausedText), (300 - w) / 2, (500 - h) / 2, 24, true, false);
    f.SetForeColor(colour);
    f.Font() = font;
}

}  // namespace

bool RunPaused() { return G.Paused && vr::IsTrue(G.Playing); }

void PauseRun() {
    if (G.Paused || !vr::IsTrue(G.Playing)) return;
    G.Paused = true;
    G.PausedAtTick = vr::GetTickCount();
    vr::ClipCursor(nullptr);
    vr::audio::Device::Instance().SetPaused(true);
    DrawPausedText();
}

void ResumeRun() {
    if (!G.Paused) return;
    G.Paused = false;
    // The one-second tick goes on as if the pause had not been: its next
    // second falls as long after the pause as it was due when the pause began.
    uint32_t held = static_cast<uint32_t>(vr::GetTickCount()) - static_cast<uint32_t>(G.PausedAtTick);
    G.LastSecondTick = static_cast<int32_t>(static_cast<uint32_t>(G.LastSecondTick) + held);
    vr::audio::Device::Instance().SetPaused(false);
    if (!vr::IsTrue(G.Playing)) return;
    ClipPointerToField();
    // The ship follows the pointer: put it back where the ship was.
    if (!Form1().form->Shown()) return;
    vr::POINT p{G.FieldMouseX, G.FieldMouseY};
    vr::ClientToScreen(Field().hWnd(), &p);
    vr::SetCursorPos(p.x, p.y);
}

void TogglePause() {
    if (G.Paused) ResumeRun();
    else PauseRun();
}

}  // namespace game
