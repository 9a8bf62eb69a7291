#include "window/form1.h"

#include "core/game_main.h"
#include "core/game_state.h"
#include "core/new_run.h"
#include "core/pause.h"
#include "platform/cursor.h"
#include "platform/form.h"
#include "platform/kernel.h"
#include "platform/message_loop.h"
#include "platform/picture_box.h"
#include "platform/replay.h"
#include "platform/runtime_error.h"
#include "platform/user_types.h"
#include "scores/run_replays.h"
#include "scores/upload.h"

namespace game {

namespace {

Form1Window g_form1;

struct BoxSpec {
    vr::PictureBox* Form1Window::*member;
    const char* name;
    int width, height;
};

const BoxSpec kSpriteBoxes[] = {
    {&Form1Window::PicPlayer, "PicPlayer", 20, 40},    {&Form1Window::PicPlayerF, "PicPlayerF", 20, 40},
    {&Form1Window::PicShield, "PicShield", 30, 28},    {&Form1Window::PicE, "PicE", 20, 40},
    {&Form1Window::PicE2, "PicE2", 20, 40},            {&Form1Window::PicE3, "PicE3", 20, 40},
    {&Form1Window::PicBullet, "PicBullet", 5, 10},     {&Form1Window::BulletY, "BulletY", 5, 10},
    {&Form1Window::BulletR, "BulletR", 5, 10},         {&Form1Window::BulletO, "BulletO", 5, 10},
    {&Form1Window::BulletBL, "BulletBL", 5, 10},       {&Form1Window::BulletF, "BulletF", 5, 10},
    {&Form1Window::PicExp, "PicExp", 1664, 128},       {&Form1Window::PicExp2, "PicExp2", 120, 20},
    {&Form1Window::PicSmoke, "PicSmoke", 160, 40},     {&Form1Window::PicBonusA, "PicBonusA", 16, 32},
    {&Form1Window::PicBonusH, "PicBonusH", 16, 32},    {&Form1Window::PicBonusF, "PicBonusF", 16, 32},
    {&Form1Window::PicBonusF2, "PicBonusF2", 16, 32},  {&Form1Window::PicEarth, "PicEarth", 300, 279},
    {&Form1Window::PicWL, "PicWL", 15, 500},           {&Form1Window::PicWR, "PicWR", 15, 500},
    {&Form1Window::PicMenuCTP, "PicMenuCTP", 168, 59},
};

vr::Surface LoadArt(const std::string& folder, const std::string& name, int width, int height) {
    std::string path = folder + "/" + name + ".png";
    vr::Surface s;
    try {
        s = vr::LoadPictureFile(path);
    } catch (const vr::RuntimeError& e) {
        throw vr::RuntimeError(e.number(), "Cannot load the picture " + path + " (" + e.description() + ")");
    }
    if (width && (s.width != width || s.height != height))
        throw vr::RuntimeError(481, "The picture " + path + " is " + std::to_string(s.width) + " x " +
                                        std::to_string(s.height) + ", not " + std::to_string(width) + " x " +
                                        std::to_string(height));
    return s;
}

// A picture with its mask below it, as its two halves.
struct Masked {
    vr::Surface image, mask;
};
Masked SplitMasked(const vr::Surface& sheet) {
    Masked m{vr::Surface(sheet.width, sheet.height / 2), vr::Surface(sheet.width, sheet.height / 2)};
    vr::BitBlt(m.image, 0, 0, m.image.width, m.image.height, sheet, 0, 0, vr::SRCCOPY);
    vr::BitBlt(m.mask, 0, 0, m.mask.width, m.mask.height, sheet, 0, m.image.height, vr::SRCCOPY);
    return m;
}

}  // namespace

Form1Window& Form1() { return g_form1; }

void CreateForm1(const std::string& artFolder) {
    g_form1 = Form1Window{};
    g_form1.form = std::make_unique<vr::Form>(kCaption, 468, 502, vr::RGB(38, 15, 130));
    vr::Form& f = *g_form1.form;
    // The sprite boxes are hidden; they keep their pictures for the block transfers.
    int y = 0;
    for (const BoxSpec& b : kSpriteBoxes) {
        vr::PictureBox& box = f.AddPictureBox(b.name, 0, y, b.width, b.height, false, false);
        box.SetPicture(LoadArt(artFolder, b.name, b.width, b.height));
        g_form1.*(b.member) = &box;
        y += 4;
    }
    vr::PictureBox& field = f.AddPictureBox("Field", 80, 0, 302, 502, true, true);
    field.SetBackColor(vr::RGB(0, 0, 0));
    field.SetForeColor(vr::RGB(255, 255, 255));
    field.Font() = vr::FontSpec{"Arial", 8.25, false, false};
    Masked pointer = SplitMasked(LoadArt(artFolder, "Pointer", 0, 0));
    field.SetPointerImage(pointer.image, pointer.mask, pointer.image.width / 2, pointer.image.height / 2);
    g_form1.Field = &field;
    Masked icon = SplitMasked(LoadArt(artFolder, "Icon", 0, 0));
    f.SetIcon(icon.image, icon.mask);

    f.keyPreview = true;
    f.onActivate = Form_Activate;
    f.onMouseUp = Form_MouseUp;
    f.onKeyDown = Form_KeyDown;
    f.onKeyUp = Form_KeyUp;
    f.onUnload = Form_Unload;
    f.onDeactivate = Form_Deactivate;
    field.onMouseDown = Field_MouseDown;
    field.onMouseMove = Field_MouseMove;
    field.onMouseUp = Field_MouseUp;
}

void DestroyForm1() { g_form1 = Form1Window{}; }

void Form_Activate() { GameMain(); }

void Field_MouseDown(int button, int, float, float) {
    if (RunPaused()) return;  // no shot waits for the end of a pause
    if (button == vr::kLeftButton) {
        G.FireLeft = kTrue;
        if (vr::IsTrue(G.FirePowerOn)) G.PowerLeft = kTrue;
    } else if (button == vr::kRightButton) {
        G.FireRight = kTrue;
        if (vr::IsTrue(G.FirePowerOn)) G.PowerRight = kTrue;
    }
}

void Field_MouseMove(int, int, float x, float y) {
    if (RunPaused()) return;  // the ship stays where the pause found it
    G.FieldMouseX = vr::CInt(x);
    G.FieldMouseY = vr::CInt(y);
}

void Field_MouseUp(int button, int, float, float) {
    if (button == vr::kLeftButton && !vr::IsTrue(G.Playing)) {
        G.Playing = kTrue;
        NewRun();
    }
}

void Form_MouseUp(int button, int shift, float x, float y) { Field_MouseUp(button, shift, x, y); }

void Form_KeyDown(int keyCode, int) {
    if (keyCode == 27) {
        int cancel = 0;
        Form_Unload(cancel);
    } else if (keyCode == 13) {
        ResumeRun();
        G.Playing = kTrue;
        NewRun();
    }
}

void Form_KeyUp(int keyCode, int) {
    if (keyCode == 85) UploadScores();
    else if (keyCode == kKeyP || keyCode == kKeyPause) TogglePause();
}

void Form_Deactivate() { PauseRun(); }

void Form_Unload(int&) {
    // A run placed in the frame before ends its replay here; played back, the
    // same seal is checked.
    SealPendingRun();
    if (vr::replay::Playing()) {
        // A played-back run that quits leaves the ending to whoever plays it.
        RunPlaybackUnloadHandler();
        return;
    }
    vr::ClipCursor(nullptr);
    if (g_form1.form) g_form1.form->Unload();
    vr::EndProgram(0);
}

}  // namespace game
