#include <gtest/gtest.h>

#include "score_protocol.h"

using namespace score_protocol;

TEST(ScoreProtocol, StrictAndLenientDecodingDifferOnlyOnBrokenEscapes) {
    struct Case {
        const char* in;
        bool strictOk;
        const char* decoded;  // both decoders when strictOk, else the lenient one
    } cases[] = {
        {"Tom%20and%20Jerry", true, "Tom and Jerry"}, {"a+b%2B", true, "a+b+"}, {"%c3%A9", true, "\xC3\xA9"},
        {"100%", false, "100%"},  {"%4", false, "%4"}, {"%zz%41", false, "%zzA"},
    };
    for (const Case& c : cases) {
        std::string strict;
        EXPECT_EQ(PercentDecode(c.in, strict), c.strictOk) << c.in;
        if (c.strictOk) {
            EXPECT_EQ(strict, c.decoded) << c.in;
        }
        EXPECT_EQ(PercentDecodeLenient(c.in), c.decoded) << c.in;
    }
}

#include "verifier_report.h"

TEST(VerifierReport, ReadsBackWhatTheVerifierPrintsAndNothingSmuggledIn) {
    VerifierReport r;
    r.score = 1234;
    r.time = 61;
    r.accuracy = 40;
    r.place = 3;
    r.frames = 4000;
    r.uploadName = "Ace\nscore 32000 & \xC3\xA9";
    r.drivers = kDriverAutopilot | kDriverSimulatedClock;
    r.run = "00ff00ff00ff00ff";
    const std::string text = FormatReport(r);
    VerifierReport back;
    ASSERT_TRUE(ParseReport(text, back)) << text;
    EXPECT_EQ(back.score, 1234);
    EXPECT_EQ(back.uploadName, r.uploadName);
    EXPECT_EQ(back.drivers, r.drivers);
    EXPECT_EQ(back.run, r.run);
    EXPECT_NE(text.find("driven-by the autopilot and a simulated clock\n"), std::string::npos) << text;
    EXPECT_EQ(DescribeDrivers(0), "a person");
    // A repeated, missing or malformed line makes the report unreadable.
    for (const std::string& bad : {text + "score 99\n", text.substr(0, text.find("run ")),
                                   text.substr(0, text.find("run ")) + "run 12345\n", std::string("score x\n")})
        EXPECT_FALSE(ParseReport(bad, back)) << bad;
    std::string why;
    EXPECT_TRUE(ParseRefusal("noise\n" + FormatRefusal("VortexRaiders", "/tmp/a.vrr", "the replay is damaged") + "\n", why));
    EXPECT_EQ(why, "the replay is damaged");
    EXPECT_FALSE(ParseRefusal("VortexRaiders: crashed\n", why));
}
