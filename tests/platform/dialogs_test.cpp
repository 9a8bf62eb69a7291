#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/dialogs.h"
#include "platform/runtime_error.h"
#include "platform_testing/dialog_answers.h"
#include "test_files.h"

using namespace vr;

TEST(Dialogs, ScriptedAnswersAreTakenInOrderAndTraced) {
    std::string dir = vr::testing::FreshFolder("dialogs");
    vr::testing::WriteBytes(dir + "/answers.txt", "OK\r\nYes\nNo\nTom & Jerry\n<cancel>\n\xC3\xA9t\xC3\xA9\n");
    setenv("VR_DIALOG_SCRIPT", (dir + "/answers.txt").c_str(), 1);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MsgBox("You score is: 0", kMbOkOnly, "Sorry!"), kIdOk);
    EXPECT_EQ(MsgBox("Check?", kMbYesNo, "Online Scores"), kIdYes);
    EXPECT_EQ(MsgBox("Check?", kMbYesNo, "Online Scores"), kIdNo);
    EXPECT_EQ(InputBox("Enter your name:", "Congratulations", "x"), "Tom & Jerry");
    EXPECT_EQ(InputBox("Enter your name:", "Congratulations", "x"), "");
    EXPECT_EQ(InputBox("Enter your name:"), "\xE9t\xE9");  // UTF-8 in, Windows-1252 out
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("[dialog] Sorry! | You score is: 0 | OK"), std::string::npos);
    EXPECT_NE(err.find("[dialog] Online Scores | Check? | No"), std::string::npos);
    EXPECT_NE(err.find("[dialog] Congratulations | Enter your name: | Tom & Jerry"), std::string::npos);
    PushDialogAnswer("queued");
    EXPECT_EQ(InputBox("p", "t"), "queued");
    try {
        MsgBox("no answers left");
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_NE(e.description().find("no answer left"), std::string::npos);
    }
    unsetenv("VR_DIALOG_SCRIPT");
}

TEST(Dialogs, WithoutDisplayOrScriptTheyFailClearly) {
    unsetenv("VR_DIALOG_SCRIPT");
    try {
        MsgBox("hello", kMbOkOnly, "Title");
        FAIL() << "a dialog without display must not pretend to work";
    } catch (const RuntimeError& e) {
        EXPECT_NE(e.description().find("no display"), std::string::npos);
    }
}
