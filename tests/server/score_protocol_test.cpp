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
