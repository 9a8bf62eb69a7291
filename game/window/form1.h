// Form1: the game's window with its play field and its hidden sprite boxes.
#pragma once
#include <memory>
#include <string>

#include "platform/form.h"
#include "platform/picture_box.h"
#include "version.h"

namespace game {

struct Form1Window {
    std::unique_ptr<vr::Form> form;
    vr::PictureBox* Field = nullptr;
    vr::PictureBox *PicPlayer = nullptr, *PicPlayerF = nullptr, *PicShield = nullptr;
    vr::PictureBox *PicE = nullptr, *PicE2 = nullptr, *PicE3 = nullptr;
    vr::PictureBox *PicBullet = nullptr, *BulletY = nullptr, *BulletR = nullptr, *BulletO = nullptr,
                   *BulletBL = nullptr, *BulletF = nullptr;
    vr::PictureBox *PicExp = nullptr, *PicExp2 = nullptr, *PicSmoke = nullptr;
    vr::PictureBox *PicBonusA = nullptr, *PicBonusH = nullptr, *PicBonusF = nullptr, *PicBonusF2 = nullptr;
    vr::PictureBox *PicEarth = nullptr, *PicWL = nullptr, *PicWR = nullptr, *PicMenuCTP = nullptr;
};

inline constexpr const char* kCaption = vr::version::kGameCaption;

// Builds Form1 with every box in its layout, loads the art from
// artFolder/<box>.png, and connects the event handlers. Throws RuntimeError
// naming the file when a picture is missing or has the wrong size.
void CreateForm1(const std::string& artFolder);
// Removes Form1 (tests).
void DestroyForm1();
Form1Window& Form1();
inline vr::PictureBox& Field() { return *Form1().Field; }

// The event handlers.
void Form_Activate();
void Field_MouseDown(int button, int shift, float x, float y);
void Field_MouseMove(int button, int shift, float x, float y);
void Field_MouseUp(int button, int shift, float x, float y);
void Form_MouseUp(int button, int shift, float x, float y);
void Form_KeyDown(int keyCode, int shift);
void Form_KeyUp(int keyCode, int shift);
void Form_Unload(int& cancel);
// Beyond the original's handlers: the window losing its focus holds a run,
// and releasing P or Pause holds or resumes it (Form_KeyUp).
void Form_Deactivate();
inline constexpr int kKeyP = 80, kKeyPause = 19;

}  // namespace game
