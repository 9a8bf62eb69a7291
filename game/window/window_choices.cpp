#include "window/window_choices.h"

#include <cstdio>

#include "settings/settings.h"

namespace game {

namespace {

// Changes one setting in the file, keeping what the file holds for the rest.
template <class Change>
void Remember(const std::string& file, Change change) {
    Settings s = LoadSettings(file);
    change(s);
    if (!SaveSettings(s, file)) std::fprintf(stderr, "VortexRaiders: cannot write %s\n", file.c_str());
}

}  // namespace

void OfferWindowChoices(vr::Form& form, const std::string& settingsFile) {
    form.SetUserSizing(true, kLargestScale);
    form.fullScreenKey = kFullScreenKey;
    form.onUserScale = [settingsFile](int scale) { Remember(settingsFile, [&](Settings& s) { s.scale = scale; }); };
    form.onUserFullScreen = [settingsFile](bool full) {
        Remember(settingsFile, [&](Settings& s) { s.fullScreen = full; });
    };
}

}  // namespace game
