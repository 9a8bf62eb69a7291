// The top-ten file, its scrambling, and the end of a run.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "core/game_main.h"
#include "game_fixture.h"
#include "interrupted_save.h"
#include "platform/cursor.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform_testing/dialog_answers.h"
#include "scores/top_ten.h"
#include "test_files.h"

using namespace game;
using namespace game::testing;

namespace {

void Table(std::initializer_list<int> scores) {
    int i = 1;
    for (int s : scores) G.TopTen[i++] = ScoreEntry{"P" + std::to_string(s), int16_t(s), int16_t(s / 2), 50};
    for (; i <= 10; ++i) G.TopTen[i] = ScoreEntry{"RE Rize", 0, 0, 0};
}

bool Same(const ScoreEntry& a, const ScoreEntry& b) {
    return a.Name == b.Name && a.Score == b.Score && a.Time == b.Time && a.Accuracy == b.Accuracy;
}

}  // namespace

TEST_F(GameTest, ScrambleTextIsSelfInverseLessTrailingSpaces) {
    std::string t = "Tom & Jerry";
    std::string s = ScrambleText(t, kScrambleKey);
    EXPECT_NE(s, t);
    EXPECT_EQ(ScrambleText(s, kScrambleKey), t);
    EXPECT_EQ(ScrambleText(ScrambleText("name   ", kScrambleKey), kScrambleKey).substr(0, 4), "name");
    vr::PushDialogAnswer("OK");
    EXPECT_EQ(ScrambleText("x", -32768), "");  // the invalid key is reported in a box
}

TEST_F(GameTest, EveryByteValueSurvivesTheFileAndNothingInItIsReadable) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += char(b);
    // Two names share the byte values (a value keeps 254 characters); names lose trailing spaces only.
    const std::string low = all.substr(0, 128) + "x", high = all.substr(128) + "x";
    Table({});
    G.TopTen[1].Name = low;
    G.TopTen[6].Name = high;
    G.TopTen[2].Name = "[Top10]\r\n=;\"quoted\"";
    G.TopTen[3].Name = "  edge spaces";
    G.TopTen[4].Score = -32768;
    SaveTop10();
    std::string raw = vr::testing::ReadBytes(vr::NativePath(Top10Path()));
    EXPECT_EQ(raw.find("Top10"), std::string::npos);
    EXPECT_EQ(raw.find("RE Rize"), std::string::npos);
    EXPECT_EQ(raw.find("edge spaces"), std::string::npos);
    Table({1, 2, 3});
    LoadTop10();
    EXPECT_EQ(G.TopTen[1].Name, low);
    EXPECT_EQ(G.TopTen[6].Name, high);
    EXPECT_EQ(G.TopTen[2].Name, "[Top10]\r\n=;\"quoted\"");
    EXPECT_EQ(G.TopTen[3].Name, "  edge spaces");
    EXPECT_EQ(G.TopTen[4].Score, -32768);
    EXPECT_EQ(G.TopTen[5].Name, "RE Rize");
    EXPECT_EQ(UnescapeFromIni(EscapeForIni(all)), all);
}

TEST_F(GameTest, AFreshOrDamagedFileLoadsTheDefaultsWithoutACrash) {
    G.TopTen[1] = ScoreEntry{"old", 5, 5, 5};
    LoadTop10();  // no file yet
    EXPECT_EQ(G.TopTen[1].Name, "RE Rize");
    EXPECT_EQ(G.TopTen[1].Score, 0);
    EXPECT_EQ(G.BestTime, 0);
    EXPECT_EQ(G.BestTimeName, "0");
    std::string path = scoreDir + "/Top10.ini";
    std::string junk;
    for (int i = 0; i < 5000; ++i) junk += char((i * 7 + i / 13) & 0xFF);
    vr::testing::WriteBytes(path, junk);
    LoadTop10();
    EXPECT_EQ(G.TopTen[10].Name, "RE Rize");
    // A truncated file: what is left still loads.
    std::filesystem::remove(path);
    Table({700});
    SaveTop10();
    std::string raw = vr::testing::ReadBytes(path);
    vr::testing::WriteBytes(path, raw.substr(0, raw.size() / 2));  // truncated
    G.TopTen[1].Score = 0;
    LoadTop10();
    EXPECT_EQ(G.TopTen[1].Score, 700);
    EXPECT_EQ(G.TopTen[1].Name, "P700");
}

TEST_F(GameTest, OutOfRangeNumbersInTheFileKeepTheFieldsInMemory) {
    Table({300});
    SaveTop10();
    std::string path = scoreDir + "/Top10.ini";
    vr::WritePrivateProfileStringA(StoredForm("Top10").c_str(), StoredForm("1S").c_str(), StoredForm("99999").c_str(),
                                   path.c_str());
    vr::WritePrivateProfileStringA(StoredForm("Top10").c_str(), StoredForm("1T").c_str(), StoredForm("abc").c_str(),
                                   path.c_str());
    G.TopTen[1].Score = 123;
    G.TopTen[1].Time = 77;
    LoadTop10();
    EXPECT_EQ(G.TopTen[1].Score, 123);
    EXPECT_EQ(G.TopTen[1].Time, 77);
    EXPECT_EQ(G.TopTen[1].Name, "P300");
}

TEST_F(GameTest, EndOfRunRanksShiftsAndSavesWithTheNameTyped) {
    Table({500, 400, 300, 200, 100, 90, 80, 70, 60, 50});
    SaveTop10();
    G.Playing = kTrue;
    G.RunTime = 20;
    G.ShotsFired = 10;
    G.Hits = 3;
    vr::PushDialogAnswer("Ann");
    vr::PushDialogAnswer("Ann");  // the file holds no best time yet: 20 seconds are a new one
    ::testing::internal::CaptureStderr();
    int16_t score = 300;  // equal to place 3: ranks below it
    EndOfRun(score);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("[dialog] Congratulations | Enter your name:\\nYou are: 4. with 300 points\\nAccuracy: 30% | Ann"),
              std::string::npos);
    EXPECT_EQ(G.TopTen[3].Score, 300);
    EXPECT_EQ(G.TopTen[4].Name, "Ann");
    EXPECT_EQ(G.TopTen[4].Score, 300);
    EXPECT_EQ(G.TopTen[4].Time, 20);
    EXPECT_EQ(G.TopTen[4].Accuracy, 30);
    EXPECT_EQ(G.TopTen[5].Score, 200);
    EXPECT_EQ(G.TopTen[10].Score, 60);  // the old place 10 is lost
    EXPECT_EQ(G.HighlightPlace, 4);
    EXPECT_EQ(G.LastName, "Ann");
    EXPECT_EQ(G.Playing, kFalse);
    EXPECT_FALSE(Field().Picture().Empty());
    EXPECT_EQ(engine.Played(), (std::vector<std::string>{"event", "keyboard"}));
    G.TopTen[4].Name = "changed in memory";
    LoadTop10();
    EXPECT_EQ(G.TopTen[4].Name, "Ann");  // the file is the record
}

TEST_F(GameTest, EndOfRunOutsideTheTableShowsTheSorryBox) {
    Table({500, 400, 300, 200, 100, 90, 80, 70, 60, 50});
    SaveTop10();
    G.HighlightPlace = 2;
    G.RunTime = 12;
    G.ShotsFired = 0;
    G.Hits = 0;
    vr::PushDialogAnswer("OK");
    vr::PushDialogAnswer("Cy");  // and a new best time
    ::testing::internal::CaptureStderr();
    int16_t score = 50;
    EndOfRun(score);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("[dialog] Sorry! | You score is: 50\\nTime: 12 sec.\\nAccuracy: 0% | OK"), std::string::npos);
    EXPECT_EQ(G.ShotsFired, 1);  // a run without shots counts one
    EXPECT_EQ(G.HighlightPlace, 2);
    EXPECT_EQ(G.TopTen[10].Score, 50);
}

TEST_F(GameTest, CancelledDialoguesStoreTheDefaultNamesAndANewBestTimeIsKept) {
    Table({});
    SaveTop10();
    G.RunTime = 95;
    G.ShotsFired = 3;
    G.Hits = 1;
    vr::PushDialogAnswer("<cancel>");
    vr::PushDialogAnswer("<cancel>");
    ::testing::internal::CaptureStderr();
    int16_t score = 1;
    EndOfRun(score);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Accuracy: 33%"), std::string::npos);
    EXPECT_NE(err.find("[dialog] Congratulations, best time! | Enter your name:\\nTime: 01:35 | "), std::string::npos);
    EXPECT_EQ(G.TopTen[1].Name, "I'm Stupid! ");
    EXPECT_EQ(G.BestTime, 95);
    EXPECT_EQ(G.BestTimeName, "I'm Stupid!");
    EXPECT_EQ(G.LastName, "I'm Stupid!");
    LoadTop10();
    EXPECT_EQ(G.TopTen[1].Name, "I'm Stupid!");  // trailing spaces go on reading back
    EXPECT_EQ(G.BestTime, 95);
    EXPECT_EQ(G.BestTimeName, "I'm Stupid!");
    // A run of exactly the best time does not replace it; more hits than shots give 100 %.
    G.RunTime = 95;
    G.ShotsFired = 2;
    G.Hits = 5;
    vr::PushDialogAnswer("Bo");
    score = 2;
    int before = vr::DialogCount();
    EndOfRun(score);
    EXPECT_EQ(vr::DialogCount(), before + 1);
    EXPECT_EQ(G.TopTen[1].Accuracy, 100);
    EXPECT_EQ(G.BestTimeName, "I'm Stupid!");
}

TEST_F(GameTest, PlaceTenIsWrittenUnderTheKeys10NTo10A) {
    Table({});
    G.TopTen[10] = ScoreEntry{"Ten", 10, 1, 1};
    SaveTop10();
    char buf[1024];
    std::string path = scoreDir + "/Top10.ini";
    for (const char* key : {"10N", "10S", "10T", "10A"}) {
        uint32_t n = vr::GetPrivateProfileStringA(StoredForm("Top10").c_str(), StoredForm(key).c_str(), "", buf, sizeof buf,
                                                  path.c_str());
        EXPECT_GT(n, 0u) << key;
    }
}

TEST_F(GameTest, A400CharacterNameIsStoredAsItsFirst254Characters) {
    std::string name;
    for (int i = 0; i < 400; ++i) name += char('A' + i % 26);
    Table({});
    SaveTop10();
    G.RunTime = 30;
    vr::PushDialogAnswer(name);  // the place
    vr::PushDialogAnswer(name);  // and the best time
    ::testing::internal::CaptureStderr();
    int16_t score = 10;
    EndOfRun(score);
    ::testing::internal::GetCapturedStderr();
    LoadTop10();
    EXPECT_EQ(G.TopTen[1].Name, name.substr(0, 254));
    EXPECT_EQ(G.BestTimeName, name.substr(0, 254));
}

TEST_F(GameTest, ASystemDirectoryOf300CharactersHoldsTop10Ini) {
    std::string saved = std::getenv("XDG_DATA_HOME");
    std::string base = scoreDir;
    const size_t suffix = std::string("/vrplatform/system").size();
    while (base.size() + suffix < 300) base += "/" + std::string(std::min<size_t>(100, 300 - suffix - base.size() - 1), 'd');
    setenv("XDG_DATA_HOME", base.c_str(), 1);
    StartUp();
    setenv("XDG_DATA_HOME", saved.c_str(), 1);
    vr::ClipCursor(nullptr);
    EXPECT_EQ(G.ScoreDir.size(), 300u);
    EXPECT_EQ(G.ScoreDir, base + "/vrplatform/system");
    SaveTop10();
    EXPECT_TRUE(std::filesystem::exists(G.ScoreDir + "/Top10.ini"));
}

TEST_F(GameTest, AProgramKilledWhileSavingLeavesTheOldTableAndBestTimeOrTheNewOnes) {
    auto entry = [](int who, int n) {
        return ScoreEntry{(who ? "Bob" : "Ann") + std::to_string(n), int16_t(100 * (who + 1) + n), int16_t(n + who),
                          int16_t(40 + who * 20 + n)};
    };
    auto save = [&](int who) {
        for (int n = 1; n <= 10; ++n) G.TopTen[n] = entry(who, n);
        SaveTop10();
        G.BestTime = int16_t(111 * (who + 1));
        G.BestTimeName = who ? "Bob" : "Ann";
        SaveBestTime();
    };
    auto holds = [&] {
        LoadTop10();
        bool best = (G.BestTime == 111 && G.BestTimeName == "Ann") || (G.BestTime == 222 && G.BestTimeName == "Bob");
        for (int who : {0, 1}) {
            bool whole = true;
            for (int n = 1; n <= 10; ++n) whole = whole && Same(G.TopTen[n], entry(who, n));
            if (whole) return best ? who : -1;
        }
        return -1;
    };
    ExpectWholeAfterKills(save, holds);
}

TEST_F(GameTest, AResultTheFileCannotTakeIsReportedKeptForTheSessionAndSavedLater) {
    const std::string path = scoreDir + "/Top10.ini";
    rlimit normal{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &normal), 0);
    std::string oldBytes;
    struct Case {
        const char* what;
        std::function<void()> block, unblock;
        std::string reason;
    } cases[] = {
        {"a folder", [&] { std::filesystem::create_directory(path); }, [&] { std::filesystem::remove(path); },
         "(a folder has its name)"},
        {"a FIFO", [&] { ::mkfifo(path.c_str(), 0600); }, [&] { std::filesystem::remove(path); },
         "(something that is not a file has its name)"},
        {"a full disk (files limited to 2 KB)",
         [&] {
             for (int i = 1; i <= 10; ++i) G.TopTen[i] = ScoreEntry{std::string(250, char('a' + i)), 0, 0, 0};
             SaveTop10();  // an old table of about 6 KB
             oldBytes = vr::testing::ReadBytes(path);
             rlimit small = normal;
             small.rlim_cur = 2048;
             ::signal(SIGXFSZ, SIG_IGN);
             setrlimit(RLIMIT_FSIZE, &small);
         },
         [&] {
             setrlimit(RLIMIT_FSIZE, &normal);
             ::signal(SIGXFSZ, SIG_DFL);
         },
         "(the disk may be full"},
    };
    for (const Case& c : cases) {
        G.UnsavedTopTen.reset();
        G.UnsavedBestTime.reset();
        oldBytes.clear();
        c.block();
        G.RunTime = 20;
        for (const char* answer : {"Ann", "Ann", "OK"}) vr::PushDialogAnswer(answer);
        int dialogs = vr::DialogCount();
        ::testing::internal::CaptureStderr();
        int16_t score = 300;
        EndOfRun(score);
        std::string err = ::testing::internal::GetCapturedStderr();
        c.unblock();
        EXPECT_EQ(vr::DialogCount(), dialogs + 3) << c.what;  // the name, the best time, one box for both
        EXPECT_NE(err.find("[dialog] Scores not saved | The high-score table could not be saved to\\n" + path + "\\n" +
                           c.reason),
                  std::string::npos)
            << c.what << "\n" << err;
        if (!oldBytes.empty()) {
            EXPECT_EQ(vr::testing::ReadBytes(path), oldBytes) << c.what;
        }
        LoadTop10();  // as the next run's start does: the menu still shows the result
        EXPECT_EQ(G.TopTen[1].Name, "Ann") << c.what;
        EXPECT_EQ(G.BestTimeName, "Ann") << c.what;
        EXPECT_EQ(G.HighlightPlace, 1) << c.what;
        // Once the file can take it, the next save writes what was kept.
        EXPECT_TRUE(SaveTop10() && SaveBestTime()) << c.what;
        G.TopTen[1].Name = G.BestTimeName = "memory only";
        LoadTop10();
        EXPECT_EQ(G.TopTen[1].Name, "Ann") << c.what;
        EXPECT_EQ(G.BestTimeName, "Ann") << c.what;
        std::filesystem::remove(path);
    }
}
