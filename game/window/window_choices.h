// The player's choices of the window made while playing: its scale, by
// dragging the window's edge, and desktop full screen, by F11. Both are
// remembered in the settings file as --scale and --fullscreen are.
#pragma once
#include <string>

#include "platform/form.h"

namespace game {

inline constexpr int kFullScreenKey = 122;  // F11

// Lets the player size the form by its edge (up to the largest scale the
// settings take) and toggle full screen with F11; each choice is written to
// the settings file at settingsFile, the other settings kept as they are there.
void OfferWindowChoices(vr::Form& form, const std::string& settingsFile);

}  // namespace game
