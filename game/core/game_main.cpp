#include "core/game_main.h"

#include "bonus/bonuses.h"
#include "core/effects.h"
#include "core/enemies.h"
#include "core/game_state.h"
#include "core/new_run.h"
#include "core/pause.h"
#include "core/shots.h"
#include "core/sound_cues.h"
#include "core/sprite_copy.h"
#include "korva2d/korva2d_calls.h"
#include "platform/cursor.h"
#include "platform/kernel.h"
#include "platform/message_loop.h"
#include "platform/picture_box.h"
#include "platform/random.h"
#include "platform/replay.h"
#include "platform/variant.h"
#include "scores/field_text.h"
#include "scores/run_replays.h"
#include "scores/top_ten.h"
#include "window/form1.h"

namespace game {

namespace {
FrameHook g_frameHook = nullptr;

constexpr vr::COLORREF kPaleMint = vr::RGB(216, 255, 254);
constexpr vr::COLORREF kWhite = vr::RGB(255, 255, 255);
constexpr vr::COLORREF kLightBlue = vr::RGB(128, 128, 255);
constexpr vr::COLORREF kYellow = vr::RGB(255, 255, 0);
constexpr vr::COLORREF kRed = vr::RGB(255, 0, 0);

// The system directory, whatever the length of its path: a buffer of 255
// characters first, a larger one when the call asks for it.
std::string SystemDirectoryPath() {
    std::string buffer(255, '\0');
    uint32_t n = vr::GetSystemDirectoryA(buffer.data(), uint32_t(buffer.size()));
    while (n >= buffer.size()) {
        buffer.assign(n, '\0');
        n = vr::GetSystemDirectoryA(buffer.data(), uint32_t(buffer.size()));
    }
    buffer.resize(n);
    return buffer;
}
}  // namespace

void SetFrameHook(FrameHook hook) { g_frameHook = hook; }
FrameHook GetFrameHook() { return g_frameHook; }

void StartUp() {
    korva2d::calls::Korva2D_Start_OnlySound(LibEngine(), Field().hWnd(), ProgramFolder);
    RegisterSounds();
    G.ScoreDir = SystemDirectoryPath();
    PlayCue("wellcome", false, 100, 0, 0);
    PlayCue("ambient_space", true, 99, 0, 0);
    NewRun();
    Field().LoadPicture(ProgramFolder + "\\menu.jpg");
}

void GameMain() {
    StartUp();
    for (;;) FrameLoopPass();
}

void FrameLoopPass() {
    if (g_frameHook) g_frameHook();
    CloseFrame();
    // A held run neither moves nor counts: the field keeps its last frame.
    if (!RunPaused()) {
        Field().Cls();
        if (vr::IsTrue(G.Playing)) DrawRunFrame();
        else DrawMenuScreen();
        SecondTick();
    }
    korva2d::calls::LimitFPS(LibExtra(), 26);
    vr::DoEvents();
}

void DrawRunFrame() {
    Field().Font().size = 8;
    UpdateBackdrop();
    UpdateBonusF();
    UpdateBonusF2();
    UpdateBonusH();
    UpdateBonusA();
    UpdateShots();
    UpdatePlayer();
    UpdateEnemies();
    DrawExplosions();
    DrawSparks();
    DrawSmoke();
    DrawHeadUpTexts();
}

void DrawHeadUpTexts() {
    vr::PictureBox& f = Field();
    PrintFieldText(vr::Variant("FPS: " + korva2d::calls::GetFps(LibExtra()).ToText()), 10, 2, 8, false, false);
    f.SetForeColor(kYellow);
    if (G.RunCount < 5)
        PrintFieldText(vr::Variant("Press LEFT and RIGHT mouse buttons to fire."), 3, 485, 7, false, false);
    PrintFieldText(vr::Variant("Health: " + vr::Str(G.Health)), 240, 25, 8, false, false);
    f.SetForeColor(vr::IsTrue(G.ScoreFlash) ? kRed : kYellow);
    PrintFieldText(vr::Variant(vr::FormatZeros(G.Score, 4) + " "), 234, 2, 14, true, false);
    f.SetForeColor(kYellow);
    std::string time = "Time: " + vr::Str(G.TimeLeft);
    if (G.TimeBonus >= 1) time += " +" + vr::Str(G.TimeBonus);
    PrintFieldText(vr::Variant(time), 240, 40, 8, false, false);
}

void DrawMenuScreen() {
    vr::PictureBox& f = Field();
    vr::ClipCursor(nullptr);
    f.SetForeColor(kPaleMint);
    PrintFieldText(vr::Variant("##| Score | Time | Acc   | Name"), 40, 130, 10, true, false);
    f.SetForeColor(kWhite);
    for (int i = 1; i <= 10; ++i) {
        const ScoreEntry& e = G.TopTen[i];
        std::string line = vr::FormatZeros(i, 2) + "|  " + vr::FormatZeros(e.Score, 4) + "    " + FormatTime(e.Time) +
                           "   " + vr::FormatZeros(e.Accuracy, 3) + "% | " + e.Name;
        PrintFieldText(vr::Variant(line), 40, 130 + 20 * i, 10, true, true);
    }
    PrintFieldText(vr::Variant("Best Time:"), 40, 355, 10, true, false);
    PrintFieldText(vr::Variant(FormatTime(G.BestTime) + " | " + G.BestTimeName), 40, 370, 10, true, false);
    double r = vr::Rnd();
    int x = vr::CLng(r + (FieldWidth / 2) - 84);
    DrawOpaque(*Form1().PicMenuCTP, 168, 59, x, 400);
    PrintFieldText(vr::Variant("Click"), G.FieldMouseX, G.FieldMouseY - 10, 8, false, false);
    f.SetForeColor(kLightBlue);
    PrintFieldText(vr::Variant("Press 'U' to upload scores online!"), 73, 450, 8, false, false);
}

}  // namespace game
