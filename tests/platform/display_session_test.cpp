// How the platform chooses and retries the display; the display itself is
// exercised under Xvfb by the end-to-end tests.
#include <gtest/gtest.h>

#include <numeric>

#include "window/display_session.h"

using namespace vr::detail;

TEST(DisplayChoice, ANamedDisplayIsAskedForByNameAndRetried) {
    struct Case {
        const char *sdl, *display, *wayland;
        std::string driver, name;
        bool retry, virtualAllowed;
    };
    const Case cases[] = {
        {nullptr, ":0", "wayland-0", "x11", ":0", true, false},  // SDL's own order puts X first
        {"", nullptr, "wayland-0", "wayland", "wayland-0", true, false},
        {nullptr, nullptr, nullptr, "", "", false, false},  // nothing named: SDL may not pick an invisible driver
        {"offscreen", ":0", nullptr, "", "offscreen", false, true},
        {"x11", ":5", nullptr, "", ":5", true, true},
        {"wayland", ":5", "w", "", "wayland", true, true},
    };
    for (const Case& c : cases) {
        VideoChoice v = ChooseVideo(c.sdl, c.display, c.wayland);
        SCOPED_TRACE(std::string(c.sdl ? c.sdl : "-") + " " + (c.display ? c.display : "-"));
        EXPECT_EQ(v.driver, c.driver);
        EXPECT_EQ(v.displayName, c.name);
        EXPECT_EQ(v.retry, c.retry);
        EXPECT_EQ(v.virtualAllowed, c.virtualAllowed);
    }
}

TEST(DisplayChoice, ABusyDisplayIsTriedAgainForAboutASecond) {
    const auto& delays = RetryDelaysMs();
    int total = std::accumulate(delays.begin(), delays.end(), 0);
    EXPECT_GE(total, 900);
    EXPECT_LE(total, 1200);
    std::vector<int> waits;
    auto wait = [&](int ms) { waits.push_back(ms); };
    int failures = 3;
    EXPECT_EQ(TryWithWaits([&] { return failures-- <= 0; }, wait, delays), 4);
    EXPECT_EQ(waits, std::vector<int>(delays.begin(), delays.begin() + 3));
    waits.clear();
    EXPECT_EQ(TryWithWaits([] { return false; }, wait, delays), int(delays.size()) + 1);
    EXPECT_EQ(waits, delays);
    EXPECT_EQ(TryWithWaits([] { return false; }, wait, {}), 1);  // no retries: one try, no wait
}
