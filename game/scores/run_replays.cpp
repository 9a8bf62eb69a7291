#include "scores/run_replays.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "core/game_state.h"
#include "platform/kernel.h"
#include "platform/random.h"
#include "platform/regular_file.h"
#include "score_protocol.h"
#include "version.h"

namespace game {

namespace {

namespace fs = std::filesystem;

RunResult g_last;
vr::replay::Header g_header;
void (*g_unloadHandler)() = nullptr;

// The runs of the session being recorded or played back.
struct Ledger {
    bool sealing = true;
    uint32_t drivers = 0;
    bool frozen = false;
    bool sealPending = false;
    RunResult pending;
    // The fingerprint so far: 64-bit FNV-1a over each frame's play state,
    // a state repeated from the frame before (a pause) counted once.
    uint64_t print = 14695981039346656037ull;
    uint32_t lastPlayState = 0;
    bool anyFrame = false;
};
Ledger g_ledger;

constexpr const char* kIndexName = "index";
constexpr uint64_t kLongestTable = 256 * 1024;

struct IndexLine {
    int place = 0;
    std::string file;
    int16_t score = 0, time = 0, accuracy = 0;
    std::string name;
};

std::vector<IndexLine> ReadIndex(const std::string& store) {
    std::vector<IndexLine> lines;
    std::ifstream in(store + "/" + kIndexName);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        IndexLine l;
        std::string name;
        if (!(fields >> l.place >> l.file >> l.score >> l.time >> l.accuracy)) continue;
        fields >> name;
        l.name = score_protocol::PercentDecodeLenient(name);
        // Only names this program writes: no folders, nothing hidden.
        if (l.place < 1 || l.place > 10 || l.file.find('/') != std::string::npos || l.file.empty() || l.file[0] == '.')
            continue;
        lines.push_back(l);
    }
    return lines;
}

bool WriteIndex(const std::string& store, const std::vector<IndexLine>& lines) {
    std::string temp = store + "/" + kIndexName + ".new";
    {
        std::ofstream out(temp, std::ios::trunc);
        for (const IndexLine& l : lines)
            out << l.place << ' ' << l.file << ' ' << l.score << ' ' << l.time << ' ' << l.accuracy << ' '
                << score_protocol::PercentEncode(l.name, score_protocol::IsUnreserved) << '\n';
        if (!out.flush()) return false;
    }
    std::error_code ec;
    fs::rename(temp, store + "/" + kIndexName, ec);
    return !ec;
}

bool Matches(const IndexLine& l, const ScoreEntry& e) {
    return l.score == e.Score && l.time == e.Time && l.accuracy == e.Accuracy && l.name == e.Name;
}

uint32_t Fnv(uint32_t h, const void* data, size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
    return h;
}
template <class T>
uint32_t Mix(uint32_t h, T v) {
    return Fnv(h, &v, sizeof v);
}

}  // namespace

RunResult& LastRunResult() { return g_last; }

void RecordSession(const std::string& folder, uint32_t drivers) {
    g_header = vr::replay::Header{};
    g_header.gameVersion = vr::version::kGame;
    g_header.fieldWidth = FieldWidth - 2;
    g_header.fieldHeight = FieldHeight - 2;
    g_header.startTime = int64_t(std::time(nullptr));
    g_header.randomState = vr::GetRandomState();
    g_header.drivers = drivers;
    std::string bytes, reason;
    // The table as the session finds it: "1" and its bytes, or "0" when there is none.
    if (vr::ReadRegularFile(folder + "/Top10.ini", kLongestTable, bytes, reason)) g_header.startFiles = "1" + bytes;
    else g_header.startFiles = "0";
    BeginRunLedger(true, drivers);
    vr::replay::StartRecording();
}

void BeginRunLedger(bool sealing, uint32_t drivers) {
    g_ledger = Ledger{};
    g_ledger.sealing = sealing;
    g_ledger.drivers = drivers;
}

void FreezeRunResults() { g_ledger.frozen = true; }

void NoteRunEnded(const RunResult& result) {
    if (g_ledger.frozen) return;
    g_last = result;
    g_last.ended = true;
    if (result.place && vr::replay::CurrentMode() != vr::replay::Mode::kOff) {
        g_ledger.sealPending = true;
        g_ledger.pending = g_last;
    }
}

std::string ReplayFolder(const std::string& folder) { return folder + "/Top10-replays"; }

namespace {

char HexDigit(unsigned v) { return "0123456789abcdef"[v & 15]; }

std::string Hex64(uint64_t v) {
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, v >>= 4) out[size_t(i)] = HexDigit(unsigned(v));
    return out;
}

// The state hash of a sealed frame: the game's state, the run's result and
// the session's drivers, so none of them can be changed in a replay alone.
uint32_t SealedStateHash(const RunResult& r, uint32_t drivers) {
    uint32_t h = GameStateHash();
    h = Mix(Mix(Mix(Mix(Mix(h, int32_t(r.place)), r.score), r.time), r.accuracy), drivers);
    return Fnv(h, r.name.data(), r.name.size());
}

void NotePlayState() {
    uint32_t state = PlayStateHash();
    if (g_ledger.anyFrame && state == g_ledger.lastPlayState) return;
    g_ledger.anyFrame = true;
    g_ledger.lastPlayState = state;
    for (int i = 0; i < 4; ++i) g_ledger.print = (g_ledger.print ^ ((state >> (8 * i)) & 0xFF)) * 1099511628211ull;
}

void SaveReplay(const RunResult& r) {
    std::string store = ReplayFolder(vr::NativePath(G.ScoreDir));
    std::error_code ec;
    fs::create_directories(store, ec);

    vr::replay::Replay replay;
    replay.header = g_header;
    replay.claim = vr::replay::Claim{r.place, r.score, r.time, r.accuracy, r.name};
    replay.frames = vr::replay::RecordedFrames();
    replay.stream = vr::replay::RecordedStream();
    std::string file = std::to_string(g_header.startTime) + "-" + std::to_string(::getpid()) + "-" +
                       std::to_string(replay.frames) + ".vrr";
    std::string why;
    if (!vr::replay::Save(store + "/" + file, replay, why)) {
        std::fprintf(stderr, "VortexRaiders: the run's replay is not kept: %s\n", why.c_str());
        return;
    }
    // The entries below the new one move down a place; the tenth leaves.
    std::vector<IndexLine> lines;
    for (IndexLine l : ReadIndex(store)) {
        if (l.place >= r.place) ++l.place;
        lines.push_back(l);
    }
    lines.push_back(IndexLine{r.place, file, r.score, r.time, r.accuracy, r.name});
    // A line stays while its entry is still at its place; a file no line names goes.
    std::vector<IndexLine> kept;
    auto named = [&kept](auto same) { return std::any_of(kept.begin(), kept.end(), same); };
    for (const IndexLine& l : lines)
        if (l.place <= 10 && Matches(l, G.TopTen[l.place]) && !named([&](const IndexLine& k) { return k.place == l.place; }))
            kept.push_back(l);
    for (const IndexLine& l : lines)
        if (!named([&](const IndexLine& k) { return k.file == l.file; })) fs::remove(store + "/" + l.file, ec);
    if (!WriteIndex(store, kept)) std::fprintf(stderr, "VortexRaiders: cannot write %s/%s\n", store.c_str(), kIndexName);
}

}  // namespace

void CloseFrame() {
    NotePlayState();
    if (g_ledger.sealPending) SealPendingRun();
    else vr::replay::Frame(GameStateHash());
}

void SealPendingRun() {
    if (!g_ledger.sealPending) return;
    g_ledger.sealPending = false;
    const RunResult& r = g_ledger.pending;
    vr::replay::Frame(g_ledger.sealing ? SealedStateHash(r, g_ledger.drivers) : GameStateHash(), g_ledger.sealing);
    if (!g_ledger.frozen) {
        g_last.run = Hex64(g_ledger.print);
        g_last.sealedAt = vr::replay::Playing() ? vr::replay::PlayedFrames() : vr::replay::RecordedFrames();
    }
    if (vr::replay::Recording()) SaveReplay(r);
}

std::string ReplayOfPlace(const std::string& folder, int place) {
    std::string store = ReplayFolder(folder);
    for (const IndexLine& l : ReadIndex(store)) {
        if (l.place != place) continue;
        if (!Matches(l, G.TopTen[place])) return "";
        std::string path = store + "/" + l.file;
        return vr::PathFileExistsA(path) ? path : "";
    }
    return "";
}

bool RestoreStartFiles(const std::string& startFiles, const std::string& folder, std::string& why) {
    if (startFiles.empty() || (startFiles[0] != '0' && startFiles[0] != '1')) {
        why = "the replay's start files are damaged";
        return false;
    }
    if (startFiles[0] == '0') return true;
    std::ofstream out(folder + "/Top10.ini", std::ios::binary | std::ios::trunc);
    out.write(startFiles.data() + 1, std::streamsize(startFiles.size() - 1));
    if (!out.flush()) {
        why = "cannot write " + folder + "/Top10.ini";
        return false;
    }
    return true;
}

namespace {

// The state's hash; `whole` adds the names and the clock readings.
uint32_t StateHash(bool whole) {
    const GameState& s = G;
    uint32_t h = 2166136261u;
    for (int16_t v : {s.Playing, s.PlayerX, s.PlayerY, s.Health, s.ShotSpeed, s.FieldMouseX, s.FieldMouseY,
                      s.FireLeft, s.FireRight, s.PowerLeft, s.PowerRight, s.RandomShot, s.FirePowerOn,
                      s.FirePowerTime, s.AutoFireShot, s.AutoFireTime, s.ShieldOn, s.ShieldTime, s.Score,
                      s.ScoreFlash, s.TimeLeft, s.TimeBonus, s.AtomicCuePlayed, s.RunTime, s.RunCount, s.ShotsFired,
                      s.Hits, s.EarthFrames, s.WallSlide, s.HighlightPlace, s.BestTime})
        h = Mix(h, v);
    if (whole) {
        h = Mix(h, s.LastSecondTick);
        h = Mix(Mix(h, s.Paused), s.PausedAtTick);
    }
    for (auto f : s.EnemyFire) h = Mix(h, f);
    for (const EnemyRecord& e : s.Enemies)
        for (int16_t v : {e.Active, e.X, e.Y, e.Speed, e.StepX, e.HitPoints}) h = Mix(h, v);
    for (const ShotRecord& e : s.Shots)
        for (int16_t v : {e.X, e.Y, e.Speed, e.Kind, e.Dir, e.Arming, e.Drift}) h = Mix(h, v);
    for (const BlastRecord& b : s.Explosions) h = Mix(Mix(Mix(h, b.X), b.Y), b.Frame);
    for (const BlastRecord& b : s.Sparks) h = Mix(Mix(Mix(h, b.X), b.Y), b.Frame);
    for (const SmokeRecord& m : s.Smokes) h = Mix(Mix(Mix(Mix(h, m.On), m.X), m.Y), m.Frame);
    for (const BonusCapsule* c : {&s.BonusA, &s.BonusH, &s.BonusF, &s.BonusF2})
        h = Mix(Mix(Mix(h, c->Active), c->X), c->Y);
    for (const ScoreEntry& e : s.TopTen) {
        if (whole) h = Fnv(h, e.Name.data(), e.Name.size());
        h = Mix(Mix(Mix(h, e.Score), e.Time), e.Accuracy);
    }
    if (whole) h = Fnv(h, s.LastName.data(), s.LastName.size());
    return Mix(h, vr::GetRandomState());
}

}  // namespace

uint32_t GameStateHash() { return StateHash(true); }
uint32_t PlayStateHash() { return StateHash(false); }

void SetPlaybackUnloadHandler(void (*handler)()) { g_unloadHandler = handler; }
void RunPlaybackUnloadHandler() {
    if (g_unloadHandler) g_unloadHandler();
}

}  // namespace game
