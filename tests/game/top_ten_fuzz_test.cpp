// Random and mutated Top10.ini files (fixed seed): LoadTop10 never crashes
// and always leaves a table that the menu screen draws.
#include <random>

#include "core/game_main.h"
#include "game_fixture.h"
#include "platform/cursor.h"
#include "scores/top_ten.h"
#include "test_files.h"

using namespace game;
using namespace game::testing;

TEST_F(GameTest, RandomAndMutatedTop10FilesLoadIntoATableThatDraws) {
    std::mt19937 random(1221);
    auto below = [&](size_t n) { return n ? random() % n : 0; };
    auto junk = [&](size_t n) {
        std::string s(n, '\0');
        for (char& c : s) c = below(4) ? char(random()) : "%=[]\r\n;\" 0"[below(11)];
        return s;
    };
    for (int i = 1; i <= 10; ++i) G.TopTen[i] = ScoreEntry{"Player " + std::to_string(i), int16_t(100 - i), 60, 50};
    G.BestTime = 61;
    SaveTop10();
    const std::string path = scoreDir + "/Top10.ini";
    const std::string saved = vr::testing::ReadBytes(path);
    const std::string section = "[" + StoredForm("Top10") + "]\r\n";
    const char* keys[] = {"1N", "1S", "5T", "10A", "10N", "Time1", "TimeName"};

    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        switch (below(3)) {
            case 0: bytes = junk(below(3000)); break;
            case 1: {  // the saved table with a few bytes flipped, inserted or cut out
                bytes = saved;
                for (size_t n = 1 + below(6); n > 0; --n) {
                    size_t at = below(bytes.size() + 1);
                    if (below(2)) bytes.insert(at, junk(1 + below(4)));
                    else bytes.erase(at, below(16));
                }
                break;
            }
            default: {  // real keys with random values, some longer than a value can be
                bytes = section;
                for (size_t n = 1 + below(8); n > 0; --n) {
                    std::string value = below(2) ? EscapeForIni(junk(below(400))) : junk(below(900));
                    bytes += StoredForm(keys[below(std::size(keys))]) + "=" + value + "\r\n";
                }
            }
        }
        vr::testing::WriteBytes(path, bytes);
        LoadTop10();
        for (int i = 1; i <= 10; ++i) ASSERT_LE(G.TopTen[i].Name.size(), 254u) << "round " << round;
        ASSERT_LE(G.BestTimeName.size(), 254u) << "round " << round;
        Field().Cls();
        ASSERT_NO_THROW(DrawMenuScreen()) << "round " << round;
    }
    vr::ClipCursor(nullptr);
}
