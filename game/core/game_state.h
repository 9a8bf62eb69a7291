// The whole state of the game: module-level variables shared directly by
// every part of the program, their records, and the two library objects.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "korva2d/korva2d.h"
#include "platform/vbtypes.h"

namespace game {

using vr::Bool16;
using vr::kFalse;
using vr::kTrue;

// The field's outer extent, which the logic uses as its size.
inline constexpr int16_t FieldWidth = 302;
inline constexpr int16_t FieldHeight = 502;

struct EnemyRecord {
    int16_t Active = 0;
    int16_t X = 0, Y = 0;
    int16_t Speed = 0;
    int16_t StepX = 0;
    int16_t HitPoints = 0;
};

struct ShotRecord {
    int16_t X = 0, Y = 0;
    int16_t Speed = 0;  // a slot with Speed below 1 is free
    int16_t Kind = 0;   // 1..5
    int16_t Dir = 0;    // -1 up, 1 down
    int16_t Arming = 0; // frames before it can touch the ship
    int16_t Drift = 0;  // boolean
};

struct BlastRecord {
    float X = 0, Y = 0;
    int16_t Frame = 0;  // frames left; 0 = free
};

struct SmokeRecord {
    int16_t On = 0;
    float X = 0, Y = 0;
    int16_t Frame = 0;  // 8 down to 0, then 8 again
};

struct ScoreEntry {
    std::string Name;
    int16_t Score = 0;
    int16_t Time = 0;
    int16_t Accuracy = 0;
};

// One bonus kind's capsule.
struct BonusCapsule {
    int16_t Active = 0;
    int16_t X = 0, Y = 0;
};

struct GameState {
    Bool16 Playing = kFalse;
    int16_t PlayerX = 0, PlayerY = 0;
    int16_t Health = 0;
    int16_t ShotSpeed = 0;
    int16_t FieldMouseX = 0, FieldMouseY = 0;
    Bool16 FireLeft = kFalse, FireRight = kFalse;
    Bool16 PowerLeft = kFalse, PowerRight = kFalse;
    std::array<Bool16, 3> EnemyFire{};
    Bool16 RandomShot = kFalse;
    Bool16 FirePowerOn = kFalse;
    int16_t FirePowerTime = 0;
    Bool16 AutoFireShot = kFalse;
    int16_t AutoFireTime = 0;
    Bool16 ShieldOn = kFalse;
    int16_t ShieldTime = 0;
    int16_t Score = 0;
    Bool16 ScoreFlash = kFalse;
    int16_t TimeLeft = 0;
    int16_t TimeBonus = 0;
    Bool16 AtomicCuePlayed = kFalse;
    int16_t RunTime = 0;
    int16_t RunCount = 0;
    int16_t ShotsFired = 0;
    int16_t Hits = 0;
    int16_t EarthFrames = 0;
    int16_t WallSlide = 0;
    int32_t LastSecondTick = 0;
    int16_t FirePowerDuration = 0, AutoFireDuration = 0, HealthBonus = 0, ShieldDuration = 0;

    std::array<EnemyRecord, 3> Enemies{};
    std::array<ShotRecord, 201> Shots{};
    std::array<BlastRecord, 11> Explosions{};
    std::array<BlastRecord, 21> Sparks{};
    std::array<SmokeRecord, 4> Smokes{};

    // The bonus capsules (shield, health, fire power, auto-fire).
    BonusCapsule BonusA, BonusH, BonusF, BonusF2;

    // The high-score table and its companions.
    std::array<ScoreEntry, 11> TopTen{};
    int16_t BestTime = 0;
    std::string BestTimeName;
    std::string LastName;
    int16_t HighlightPlace = 0;
    std::string ScoreDir;
    // Results the file could not take (a full disk, Top10.ini not a file):
    // kept for the session and laid over what LoadTop10 reads.
    std::optional<std::array<ScoreEntry, 11>> UnsavedTopTen;
    std::optional<std::pair<int16_t, std::string>> UnsavedBestTime;

    // A run held by the player (core/pause.h): since when, on the millisecond counter.
    bool Paused = false;
    int32_t PausedAtTick = 0;
};

// The game's state; tests reset it with G = GameState{}.
extern GameState G;

// The program folder (the folder of the executable): the engine's AppPath,
// where menu.jpg and the sounds live.
extern std::string ProgramFolder;

// The library objects, created on first use and kept until the process ends.
korva2d::_Engine& LibEngine();
korva2d::_Extra& LibExtra();
// Replaces the library objects (tests use recording doubles); null restores
// creation on first use.
void SetLibraryObjects(korva2d::_Engine* engine, korva2d::_Extra* extra);

// Counters whose limit the game leaves open stop at the 16-bit limit instead
// of ending the program: a run goes on.
inline int16_t Saturate16(int64_t v) {
    return static_cast<int16_t>(v < INT16_MIN ? INT16_MIN : v > INT16_MAX ? INT16_MAX : v);
}

}  // namespace game
