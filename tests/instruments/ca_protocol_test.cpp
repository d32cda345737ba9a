// CA-210 / CA-310 replies: acceptance, scaling, malformed forms.

#include <gtest/gtest.h>

#include "instruments/ca/ca_protocol.h"

namespace halvo {
namespace {

Bytes B(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

TEST(CaReply, ScalesChromaticityByWhichFormWasSent) {
    struct Case {
        const char* reply;
        double x, y, lv;
    };
    const Case cases[] = {
        {"OK00,P1 3127;3290;120.5\r", 0.3127, 0.329, 120.5},
        {"OK00,P1 313;329;120.5", 0.313, 0.329, 120.5},
        {"OK00,P1 999;1001;80", 0.0999, 0.1001, 80},  // y above 1000: both by 10000
        {"OK00,P1 1001;329;0.0123\r", 0.1001, 0.0329, 0.0123},
        {"OK07,P1 3000;3100;5", 0.3, 0.31, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        const auto r = ParseCaReply(B(c.reply));
        ASSERT_TRUE(r.has_value());
        EXPECT_DOUBLE_EQ(r->x, c.x);
        EXPECT_DOUBLE_EQ(r->y, c.y);
        EXPECT_DOUBLE_EQ(r->lv, c.lv);
    }
    EXPECT_EQ(ParseCaReply(B("OK07,P1 3000;3100;5"))->status, 7);
}

TEST(CaReply, RejectsMalformedReplies) {
    for (const char* bad : {"", "ER00\r", "OK", "OK00", "OK00;P1 3127;3290;1", "KO00,P1 3127;3290;1",
                            "OK00,P1 3127;3290", "OK00,P1 abc;3290;1", "OK00,P1 nan;3290;1", "OK00\r"}) {
        EXPECT_FALSE(ParseCaReply(B(bad)).has_value()) << bad;
    }
    // Bytes after a NUL are not part of the reply.
    EXPECT_FALSE(ParseCaReply(Bytes{'O', 'K', '0', '0', ',', 0, 'P', '1'}).has_value());
}

}  // namespace
}  // namespace halvo
