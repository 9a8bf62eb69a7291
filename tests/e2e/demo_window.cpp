// A small window for the end-to-end check of the platform: a bordered field
// with a masked sprite and a line of text, shown for a number of frames.
#include <cstdio>
#include <cstdlib>

#include "platform/form.h"
#include "platform/kernel.h"
#include "platform/message_loop.h"
#include "platform/picture_box.h"
#include "platform/runtime_error.h"

using namespace vr;

int main(int argc, char** argv) {
    int frames = argc > 1 ? std::atoi(argv[1]) : 100;
    try {
        Form form("Platform demo", 468, 502, RGB(38, 15, 130));
        PictureBox& field = form.AddPictureBox("Field", 80, 0, 302, 502, true, true);
        PictureBox& sprite = form.AddPictureBox("Sprite", 0, 0, 40, 80, false, false);
        // The sprite: a red diamond over black, its mask (black on white) below.
        Surface sheet(40, 80, 0);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                bool inside = std::abs(x - 20) + std::abs(y - 20) < 18;
                sheet.At(x, y) = inside ? PixelRGB(255, 40, 40) : 0;
                sheet.At(x, y + 40) = inside ? 0 : 0xFFFFFF;
            }
        sprite.SetPicture(sheet);
        field.SetBackColor(RGB(0, 0, 60));
        field.SetForeColor(RGB(255, 255, 0));
        field.Font().size = 14;
        field.Font().bold = true;
        form.onUnload = [](int&) { EndProgram(0); };
        form.Show();
        for (int i = 0; i < frames; ++i) {
            field.Cls();
            BitBlt(field.Image(), 130, 200, 40, 40, sprite.Image(), 0, 40, SRCAND);
            BitBlt(field.Image(), 130, 200, 40, 40, sprite.Image(), 0, 0, SRCPAINT);
            field.Print(60, 300, "Platform demo 0042");
            DoEvents();
            Sleep(20);
        }
    } catch (const RuntimeError& e) {
        std::fprintf(stderr, "demo_window: %s\n", e.description().c_str());
        return 1;
    }
    return 0;
}
