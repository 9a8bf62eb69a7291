// Writes a Top10.ini with ten different places into the game's system folder
// (below $XDG_DATA_HOME), through the game's own saving code, so an upload
// sends ten distinct entries. The names hold the characters an upload must
// carry: "&", "<", quotes and a Windows-1252 letter.
#include <cstdio>

#include "core/game_state.h"
#include "platform/kernel.h"
#include "scores/top_ten.h"

int main() {
    char buffer[255] = {};
    uint32_t n = vr::GetSystemDirectoryA(buffer, 255);
    if (n == 0 || n >= 255) {
        std::fprintf(stderr, "top10_fixture: no system folder\n");
        return 1;
    }
    game::G.ScoreDir.assign(buffer, n);
    const char* names[10] = {"Ace Pilot", "Tom & Jerry", "<b>Bold</b>", "Zo\xEB", "O'Neil \"Ace\"",
                             "Nova",      "Kestrel",     "Vex",         "Ida",    "Rook"};
    for (int place = 1; place <= 10; ++place) {
        game::ScoreEntry& e = game::G.TopTen[place];
        e.Name = names[place - 1];
        e.Score = static_cast<int16_t>(1100 - place * 100);
        e.Time = static_cast<int16_t>(200 - place * 10);
        e.Accuracy = static_cast<int16_t>(50 + place);
    }
    game::SaveTop10();
    std::printf("%s\n", game::Top10Path().c_str());
    return 0;
}
