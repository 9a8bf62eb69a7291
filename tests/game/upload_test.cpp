// The online upload against a loopback HTTP server started by the test.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "game_fixture.h"
#include "loopback_http_server.h"
#include "platform/dialogs.h"
#include "platform/net.h"
#include "platform_testing/dialog_answers.h"
#include "platform_testing/synthetic_input.h"
#include "scores/upload.h"
#include "test_files.h"

using namespace game;
using namespace game::testing;

namespace {

class Upload : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        vr::SetDefaultDialogTitle("VortexRaiders");
        setenv("VORTEX_SCORE_SERVER", server.BaseUrl().c_str(), 1);
        setenv("VORTEX_WEB_SITE", server.BaseUrl().c_str(), 1);
        opened = scoreDir + "/opened.txt";
        std::string opener = scoreDir + "/opener.sh";
        vr::testing::WriteBytes(opener, "#!/bin/sh\necho \"$1\" >> " + opened + "\n");
        std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
        setenv("VR_URL_OPENER", opener.c_str(), 1);
        for (int i = 1; i <= 10; ++i) G.TopTen[i] = ScoreEntry{"RE Rize", 0, 0, 0};
    }
    void TearDown() override {
        unsetenv("VORTEX_SCORE_SERVER");
        unsetenv("VORTEX_WEB_SITE");
        unsetenv("VR_URL_OPENER");
        GameTest::TearDown();
    }
    std::string OpenedUrls() {
        for (int i = 0; i < 300 && vr::testing::ReadBytes(opened).empty(); ++i) vr::Sleep(0), usleep(10000);
        return vr::testing::ReadBytes(opened);
    }
    vr::testing::LoopbackHttpServer server;
    std::string opened;
};

const std::string kPath = "/files/games/vortexraiders/score.php";

}  // namespace

TEST_F(Upload, SendsTenPlacesFromTenToOneThenAsksAndOpensThePageOnYes) {
    G.TopTen[1] = ScoreEntry{"Tom & Jerry", 120, 50, 40};
    G.TopTen[2] = ScoreEntry{"a=b#c", 90, 40, 30};
    G.TopTen[3] = ScoreEntry{"Zo\xEB 100%+?", 80, 30, 20};
    vr::PushDialogAnswer("Yes");
    ::testing::internal::CaptureStderr();
    UploadScores();
    std::string err = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(vr::WaitForNavigations(5000));
    ASSERT_TRUE(server.WaitForRequests(10, 5000));
    auto got = server.Requests();
    ASSERT_EQ(got.size(), 10u);
    for (int k = 0; k < 7; ++k) EXPECT_EQ(got[k], kPath + "?nname=RE%20Rize&nscore=0&nreplay=0") << k;
    EXPECT_EQ(got[7], kPath + "?nname=Zo%C3%AB%20100%25%2B%3F&nscore=80&nreplay=80");
    EXPECT_EQ(got[8], kPath + "?nname=a%3Db%23c&nscore=90&nreplay=90");
    EXPECT_EQ(got[9], kPath + "?nname=Tom%20and%20Jerry&nscore=120&nreplay=120&counter=true");
    EXPECT_NE(err.find("[dialog] Online Scores | Your score uploaded! Do you want to check if you got on the list? | Yes"),
              std::string::npos);
    EXPECT_EQ(OpenedUrls(), server.BaseUrl() + "/index2.php?game=9\n");
    // The field showed the waiting text.
    int lit = 0;
    for (int y = 155; y < 170; ++y)
        for (int x = 55; x < 250; ++x) lit += FieldPixel(x, y) != 0;
    EXPECT_GT(lit, 50);
}

TEST_F(Upload, AnsweringNoOpensNothing) {
    vr::PushDialogAnswer("No");
    ::testing::internal::CaptureStderr();
    UploadScores();
    ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(server.WaitForRequests(10, 5000));
    // A page opened after the upload is a sentinel: the upload opened nothing before it.
    ASSERT_GT(vr::ShellExecuteA(0, "open", "sentinel", "", "", 0), 32);
    for (int i = 0; i < 500 && vr::testing::ReadBytes(opened).empty(); ++i) usleep(10000);
    EXPECT_EQ(vr::testing::ReadBytes(opened), "sentinel\n");
}

TEST_F(Upload, WithTheServerClosedOnlyTheConnectBoxShows) {
    std::string closed = "http://127.0.0.1:" + std::to_string(vr::testing::ClosedLoopbackPort());
    setenv("VORTEX_SCORE_SERVER", closed.c_str(), 1);
    setenv("VORTEX_WEB_SITE", closed.c_str(), 1);
    vr::PushDialogAnswer("OK");
    int before = vr::DialogCount();
    ::testing::internal::CaptureStderr();
    UploadScores();
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(vr::DialogCount(), before + 1);
    EXPECT_NE(err.find("[dialog] VortexRaiders | You must connect to the Internet first! | OK"), std::string::npos);
    // Navigations start in the order asked for: a sentinel sent now comes after anything the upload sent.
    vr::BrowserControl sentinel;
    ASSERT_TRUE(sentinel.Navigate(server.BaseUrl() + "/sentinel"));
    ASSERT_TRUE(server.WaitForRequests(1, 5000));
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"/sentinel"});
}

TEST_F(Upload, AReleaseOfUDuringAnUploadStartsANestedOne) {
    Form1().form->onActivate = nullptr;  // the window's events without the game's loop
    Form1().form->Show();
    vr::PostKey(*Form1().form, 85, false);  // released during the first wait
    vr::PushDialogAnswer("No");
    vr::PushDialogAnswer("No");
    ::testing::internal::CaptureStderr();
    UploadScores();
    std::string err = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(server.WaitForRequests(20, 8000));
    auto got = server.Requests();
    EXPECT_EQ(got.size(), 20u);
    EXPECT_EQ(got[0], kPath + "?nname=RE%20Rize&nscore=0&nreplay=0");  // the outer place 10
    EXPECT_EQ(std::count_if(got.begin(), got.end(), [](const std::string& r) {
                  return r.find("&counter=true") != std::string::npos;
              }),
              2);
    size_t first = err.find("Online Scores"), second = err.find("Online Scores", first + 1);
    EXPECT_NE(second, std::string::npos);  // both uploads asked their question
}

TEST_F(Upload, ThePlayerIsToldWhenTheServerDidNotTakeTheUpload) {
    const std::string none = "[dialog] Online Scores | Your scores were not uploaded: the score server did not accept "
                             "them. Please try again later. | OK";
    const std::string half = "[dialog] Online Scores | Only 5 of the 10 places were uploaded: the score server did "
                             "not accept the others. Please try again later. | OK";
    const std::string question = "Your score uploaded!";
    struct Case {
        std::vector<int> statuses;  // the server's answers in turn; 0 closes without one
        std::string told;
        bool asked;
    } cases[] = {{{503}, none, false}, {{0}, none, false}, {{200, 503}, half, true}, {{200}, "", true}};
    for (const Case& c : cases) {
        vr::testing::LoopbackHttpServer refusing(c.statuses);
        setenv("VORTEX_SCORE_SERVER", refusing.BaseUrl().c_str(), 1);
        vr::PushDialogAnswer(c.told.empty() ? "No" : "OK");
        if (!c.told.empty() && c.asked) vr::PushDialogAnswer("No");
        ::testing::internal::CaptureStderr();
        UploadScores();
        std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(refusing.Requests().size(), 10u) << c.statuses[0];
        if (!c.told.empty()) {
            EXPECT_NE(err.find(c.told), std::string::npos) << err;
        }
        EXPECT_EQ(err.find(question) != std::string::npos, c.asked) << err;
        EXPECT_EQ(err.find("[dialog] Online Scores | Your scores") == std::string::npos, c.told != none) << err;
    }
}

TEST(UploadNames, AmpersandsBecomeAndAndOtherBytesArePercentEncoded) {
    EXPECT_EQ(QueryName("Tom & Jerry"), "Tom%20and%20Jerry");
    EXPECT_EQ(QueryName("&&"), "andand");
    EXPECT_EQ(QueryName("A-b_c.d~9"), "A-b_c.d~9");
    EXPECT_EQ(QueryName("\x80"), "%E2%82%AC");  // the euro sign, sent as UTF-8
    unsetenv("VORTEX_SCORE_SERVER");
    unsetenv("VORTEX_WEB_SITE");
    EXPECT_EQ(ScoreServer(), "http://127.0.0.1:8099");
    EXPECT_EQ(WebSite(), "http://127.0.0.1:8099");
    setenv("VORTEX_SCORE_SERVER", "http://scores.example:81/", 1);
    EXPECT_EQ(ScoreServer(), "http://scores.example:81");
    EXPECT_EQ(WebSite(), "http://scores.example:81");
    unsetenv("VORTEX_SCORE_SERVER");
}
