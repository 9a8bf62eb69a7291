#include "scores/top_ten.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cmath>
#include <tuple>
#include <utility>
#include <vector>

#include "core/game_state.h"
#include "core/sound_cues.h"
#include "platform/dialogs.h"
#include "platform/error_rules.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/random.h"
#include "platform/variant.h"
#include "score_protocol.h"
#include "scores/field_text.h"
#include "scores/run_replays.h"
#include "window/form1.h"

namespace game {

namespace {

// The scramble without its final trim, for texts going into the file: a
// scrambled byte that happens to be a space must not be cut off.
std::string ScrambleBytes(const std::string& text, int16_t key) {
    vr::RandomizeFromKey(key);
    std::string out = text;
    for (char& c : out) {
        int m = vr::CInt(double(vr::Rnd()) * 255.0);
        c = static_cast<char>(static_cast<unsigned char>(c) ^ m);
    }
    return out;
}

std::string TrimTrailingSpaces(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// The longest value that reads back whole (a buffer of 255 characters), and
// room for each of its bytes written as %XX.
constexpr size_t kLongestValue = 254;
constexpr uint32_t kReadBuffer = 3 * kLongestValue + 1;

std::string ReadIniString(const std::string& section, const std::string& key, const std::string& file,
                          const std::string& def) {
    std::string buffer(kReadBuffer, '\0');
    uint32_t n = vr::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(), kReadBuffer, file.c_str());
    buffer.resize(n);
    return buffer.empty() ? def : buffer;
}

bool WriteIniString(const std::string& section, const std::string& key, const std::string& value,
                    const std::string& file) {
    return vr::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != 0;
}

// Reads one value: scrambled section and key; a value from the file is
// unescaped and unscrambled, a default is used as it is. A value that filled
// the buffer (a file this program did not write) may end in a cut escape,
// which is dropped rather than read as two stray bytes.
std::string ReadScrambled(const std::string& key, const std::string& def, bool& fromFile) {
    std::string raw = ReadIniString(StoredForm("Top10"), StoredForm(key), Top10Path(), "");
    fromFile = !raw.empty();
    if (!fromFile) return def;
    if (raw.size() == kReadBuffer - 1) {
        size_t cut = raw.find('%', raw.size() > 2 ? raw.size() - 2 : 0);
        if (cut != std::string::npos) raw.resize(cut);
    }
    std::string bytes = UnescapeFromIni(raw);
    if (bytes.size() > kLongestValue) bytes.resize(kLongestValue);
    return ScrambleText(bytes, kScrambleKey);
}

// Writes one value, cut to the longest that reads back whole, so its escaped
// form always fits the read buffer.
bool WriteScrambled(const std::string& key, const std::string& value) {
    return WriteIniString(StoredForm("Top10"), StoredForm(key), StoredForm(value.substr(0, kLongestValue)), Top10Path());
}

// Writes keys and values in one replacement of the file: a program ended at
// any moment leaves all of them or none. True when the file took them.
bool WriteAtOnce(const std::vector<std::pair<std::string, std::string>>& keysAndValues) {
    vr::ProfileWriteGroup group;
    bool written = true;
    for (const auto& [key, value] : keysAndValues) written = WriteScrambled(key, value) && written;
    return group.Flush() && written;
}

// A 16-bit field from text; a text that is no valid 16-bit integer fails.
void LoadNumber(const std::string& key, int16_t& field) {
    bool fromFile = false;
    std::string t = ReadScrambled(key, "0", fromFile);
    field = vr::Variant(t).ToInt16();
}

// Why the file could not be written, as far as can be seen from outside.
std::string WriteFailureReason(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return "a folder has its name";
        if (!S_ISREG(st.st_mode)) return "something that is not a file has its name";
    }
    struct statvfs disk {};
    std::string folder = path.substr(0, path.rfind('/') + 1);
    if (::statvfs(folder.c_str(), &disk) == 0 && disk.f_bavail == 0) return "the disk is full";
    return "the disk may be full, or the file may not be written";
}

// Tells the player that results of this session are not in the file.
void ReportUnsaved() {
    std::string path = vr::NativePath(Top10Path());
    vr::MsgBox("The high-score table could not be saved to\r\n" + path + "\r\n(" + WriteFailureReason(path) +
                   ").\r\nYour result stays in the table until the game is closed.",
               vr::kMbOkOnly, "Scores not saved");
}

bool IsSafeIniByte(unsigned char c) {
    return c >= 0x21 && c <= 0x7E && c != '%' && c != '=' && c != '[' && c != ']' && c != ';' && c != '"' && c != '\'';
}

}  // namespace

std::string EscapeForIni(const std::string& bytes) { return score_protocol::PercentEncode(bytes, IsSafeIniByte); }

std::string UnescapeFromIni(const std::string& text) { return score_protocol::PercentDecodeLenient(text); }

std::string StoredForm(const std::string& plain) { return EscapeForIni(ScrambleBytes(plain, kScrambleKey)); }

std::string ScrambleText(const std::string& text, int16_t key) {
    try {
        return TrimTrailingSpaces(ScrambleBytes(text, key));
    } catch (const vr::RuntimeError& e) {
        vr::MsgBox(vr::Str(e.number()) + " : " + e.description());
        return std::string();
    }
}

std::string Top10Path() { return G.ScoreDir + "\\Top10.ini"; }

void LoadTop10() {
    // A value that cannot be read is skipped: its field keeps what it held.
    vr::Steps step(vr::OnError::kResumeNext);
    bool fromFile = false;
    for (int n = 1; n <= 10; ++n) {
        ScoreEntry& e = G.TopTen[n];
        std::string p = vr::Str(n);
        step([&] {
            std::string name = ReadScrambled(p + "N", "", fromFile);
            e.Name = name.empty() ? "RE Rize" : name;
        });
        step([&] { LoadNumber(p + "S", e.Score); });
        step([&] { LoadNumber(p + "T", e.Time); });
        step([&] { LoadNumber(p + "A", e.Accuracy); });
    }
    step([&] { LoadNumber("Time1", G.BestTime); });
    step([&] { G.BestTimeName = ReadScrambled("TimeName", "0", fromFile); });
    if (G.UnsavedTopTen) G.TopTen = *G.UnsavedTopTen;
    if (G.UnsavedBestTime) std::tie(G.BestTime, G.BestTimeName) = *G.UnsavedBestTime;
}

bool SaveTop10() {
    std::vector<std::pair<std::string, std::string>> keys;
    for (int n = 1; n <= 10; ++n) {
        const ScoreEntry& e = G.TopTen[n];
        std::string p = vr::Str(n);
        keys.insert(keys.end(), {{p + "N", e.Name + " "},
                                 {p + "S", vr::Str(e.Score)},
                                 {p + "T", vr::Str(e.Time)},
                                 {p + "A", vr::Str(e.Accuracy)}});
    }
    bool saved = WriteAtOnce(keys);
    if (saved) G.UnsavedTopTen.reset();
    else G.UnsavedTopTen = G.TopTen;
    return saved;
}

bool SaveBestTime() {
    bool saved = WriteAtOnce({{"Time1", vr::Str(G.BestTime)}, {"TimeName", G.BestTimeName}});
    if (saved) G.UnsavedBestTime.reset();
    else G.UnsavedBestTime = std::make_pair(G.BestTime, G.BestTimeName);
    return saved;
}

void EndOfRun(int16_t& score) {
    LoadTop10();
    if (G.ShotsFired == 0) G.ShotsFired = 1;
    double acc = std::floor(100.0 / double(G.ShotsFired) * double(G.Hits));
    int16_t accuracy = static_cast<int16_t>(acc > 100 ? 100 : acc);
    bool saved = true;
    int place = 0;
    for (int n = 1; n <= 10; ++n)
        if (score > G.TopTen[n].Score) {
            place = n;
            break;
        }
    if (place) {
        for (int j = 9; j >= place; --j) G.TopTen[j + 1] = G.TopTen[j];
        ScoreEntry& e = G.TopTen[place];
        e.Score = score;
        e.Time = G.RunTime;
        e.Accuracy = accuracy;
        PlayCue("event");
        std::string prompt = "Enter your name:\r\nYou are: " + vr::Str(place) + ". with " + vr::Str(score) +
                             " points\r\nAccuracy: " + vr::Str(accuracy) + "%";
        std::string answer = vr::InputBox(prompt, "Congratulations", G.LastName);
        e.Name = answer;
        PlayCue("keyboard");
        G.LastName = answer;
        if (e.Name.empty()) e.Name = "I'm Stupid! ";
        saved = SaveTop10();
        G.HighlightPlace = static_cast<int16_t>(place);
        G.Playing = kFalse;
        Field().LoadPicture(ProgramFolder + "\\menu.jpg");
    } else {
        PlayCue("event");
        vr::MsgBox("You score is: " + vr::Str(score) + "\r\nTime: " + vr::Str(G.RunTime) + " sec.\r\nAccuracy: " +
                       vr::Str(accuracy) + "%",
                   vr::kMbOkOnly, "Sorry!");
        G.Playing = kFalse;
        Field().LoadPicture(ProgramFolder + "\\menu.jpg");
    }
    if (G.BestTime < G.RunTime) {
        G.BestTime = G.RunTime;
        std::string answer = vr::InputBox("Enter your name:\r\nTime: " + FormatTime(G.RunTime),
                                          "Congratulations, best time!", G.LastName);
        G.BestTimeName = answer.empty() ? "I'm Stupid!" : answer;
        G.LastName = G.BestTimeName;
        saved = SaveBestTime() && saved;
    }
    if (!saved) ReportUnsaved();
    RunResult result;
    result.ended = true;
    result.place = place;
    result.score = score;
    result.time = G.RunTime;
    result.accuracy = accuracy;
    if (place) result.name = G.TopTen[place].Name;
    NoteRunEnded(result);
}

}  // namespace game
