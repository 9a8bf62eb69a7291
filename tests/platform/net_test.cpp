#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "bounded_call.h"
#include "loopback_http_server.h"
#include "platform/net.h"
#include "test_files.h"

using namespace vr;

TEST(Network, ConnectionCheckSeesAnOpenPortAndNotAClosedOne) {
    vr::testing::LoopbackHttpServer server;
    EXPECT_NE(InternetCheckConnectionA(server.BaseUrl().c_str(), FLAG_ICC_FORCE_CONNECTION, 0), 0);
    std::string closed = "http://127.0.0.1:" + std::to_string(vr::testing::ClosedLoopbackPort()) + "/";
    EXPECT_EQ(InternetCheckConnectionA(closed.c_str(), FLAG_ICC_FORCE_CONNECTION, 0), 0);
    EXPECT_EQ(InternetCheckConnectionA("", FLAG_ICC_FORCE_CONNECTION, 0), 0);
    EXPECT_TRUE(server.Requests().empty());  // the check sends no request
}

TEST(Network, NavigationReturnsAtOnceAndTheGetArrivesWithItsExactQuery) {
    vr::testing::LoopbackHttpServer server;
    BrowserControl wb;
    std::string target = "/files/games/vortexraiders/score.php?nname=Tom%20and%20Jerry&nscore=12&nreplay=12";
    // A server that never answers does not hold the caller: Navigate returns
    // (the watchdog ends the program if it hangs).
    int silent = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(silent, 4), 0);
    ASSERT_EQ(getsockname(silent, reinterpret_cast<sockaddr*>(&a), &len), 0);
    vr::testing::RunWatched("a navigation to a silent server", [&] {
        EXPECT_TRUE(wb.Navigate("http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/held"));
    }, false);
    ASSERT_TRUE(wb.Navigate(server.BaseUrl() + target));
    ASSERT_TRUE(wb.Navigate(server.BaseUrl() + "/second?counter=true"));
    ASSERT_TRUE(server.WaitForRequests(2, 15000));
    auto got = server.Requests();
    EXPECT_NE(std::find(got.begin(), got.end(), target), got.end());
    EXPECT_NE(std::find(got.begin(), got.end(), "/second?counter=true"), got.end());
    close(silent);  // the held navigation ends
    EXPECT_TRUE(WaitForNavigations(15000));
}

TEST(Shell, OpensTheUrlWithTheConfiguredOpener) {
    std::string dir = vr::testing::FreshFolder("shell");
    std::string script = dir + "/opener.sh";
    vr::testing::WriteBytes(script, "#!/bin/sh\necho \"$1\" > " + dir + "/opened.txt\n");
    std::system(("chmod +x " + script).c_str());
    setenv("VR_URL_OPENER", script.c_str(), 1);
    EXPECT_GT(ShellExecuteA(0, "open", "http://127.0.0.1:8099/index2.php?game=9", nullptr, nullptr, 0), 32);
    for (int i = 0; i < 200 && vr::testing::ReadBytes(dir + "/opened.txt").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(vr::testing::ReadBytes(dir + "/opened.txt"), "http://127.0.0.1:8099/index2.php?game=9\n");
    setenv("VR_URL_OPENER", (dir + "/no-such-opener").c_str(), 1);
    EXPECT_GT(ShellExecuteA(0, "open", "http://x/", nullptr, nullptr, 0), 32);  // fails quietly
    unsetenv("VR_URL_OPENER");
}
