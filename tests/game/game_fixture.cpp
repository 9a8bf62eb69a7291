#include "game_fixture.h"

#include <filesystem>

#include "core/new_run.h"
#include "platform/dialogs.h"
#include "test_files.h"

namespace game::testing {

void GameTest::SetUp() {
    G = GameState{};
    ProgramFolder = VR_BIN_DIR;
    SetLibraryObjects(&engine, &extra);
    CreateForm1(std::string(VR_BIN_DIR) + "/art");
    scoreDir = vr::testing::FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    G.ScoreDir = scoreDir;
    vr::FreezeClockSeeding(true);
    vr::SetRandomState(4242);
    vr::UseManualClock(true, int64_t(100000) * 1000000);
}

void GameTest::TearDown() {
    vr::UseManualClock(false);
    vr::FreezeClockSeeding(false);
    SetLibraryObjects(nullptr, nullptr);
    DestroyForm1();
}

void GameTest::StartRun() {
    G.Playing = kTrue;
    NewRun();
    engine.calls.clear();
}

ShotRecord& GameTest::PutShot(int slot, int kind, int x, int y, int speed, int dir, int arming, bool drift) {
    ShotRecord& s = G.Shots[slot];
    s = ShotRecord{int16_t(x), int16_t(y), int16_t(speed), int16_t(kind), int16_t(dir), int16_t(arming),
                   vr::ToBool16(drift)};
    return s;
}

void GameTest::ClearEnemies() {
    for (auto& e : G.Enemies) e = EnemyRecord{kFalse, -100, -100, 0, 0, 0};
}

}  // namespace game::testing
