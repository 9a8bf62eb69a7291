// The game's sprite pictures, each in its box's layout.
#pragma once
#include <string>
#include <vector>

#include "platform/gdi.h"

namespace art {

struct Picture {
    std::string name;  // the sprite box it belongs to
    vr::Surface surface;
};

// Every sprite box picture: ship, shield, enemies, shots, explosion, sparks,
// smoke, bonus capsules, Earth, walls, the menu prompt; the pointer image
// ("Pointer") and the window's icon ("Icon"), each with its mask below it.
std::vector<Picture> MakeSprites();
// The 300 x 500 title screen.
vr::Surface MakeMenuBackdrop();

}  // namespace art
