#include "common/man_page.h"

#include <gtest/gtest.h>

#include <string>

namespace halvo {
namespace {

TEST(RoffEscape, KeepsOptionsAsciiAndBackslashesVisible) {
    EXPECT_EQ(RoffEscape("--count N, -v"), "\\-\\-count N, \\-v");
    EXPECT_EQ(RoffEscape("C:\\Halvo\\Error.wav"), "C:\\eHalvo\\eError.wav");
    EXPECT_EQ(RoffEscape("plain text"), "plain text");
}

TEST(RoffEscape, LinesStartingLikeRequestsAreProtected) {
    // Each of these would otherwise be read as a roff request and vanish from the page.
    EXPECT_EQ(RoffEscape(".cal files"), "\\&.cal files");
    EXPECT_EQ(RoffEscape("'quoted'"), "\\&'quoted'");
    EXPECT_EQ(RoffEscape("first\n.second\n'third"), "first\n\\&.second\n\\&'third");
    EXPECT_EQ(RoffEscape("a .b"), "a .b");
}

TEST(RoffEscape, NonAsciiBecomesUnicodeEscapes) {
    EXPECT_EQ(RoffEscape("\xCE\x94uv"), "\\[u0394]uv");            // Δuv, two bytes
    EXPECT_EQ(RoffEscape("\xE2\x80\x99"), "\\[u2019]");              // ’, three bytes
    EXPECT_EQ(RoffEscape("\xF0\x9F\x98\x80"), "\\[u1F600]");         // four bytes
    // Bytes that start no valid sequence are kept as Latin-1, never dropped or run past.
    EXPECT_EQ(RoffEscape("\xFFx"), "\\[u00FF]x");
    EXPECT_EQ(RoffEscape("x\xCE"), "x\\[u00CE]");
    EXPECT_EQ(RoffEscape("\xE2\x80x"), "\\[u00E2]\\[u0080]x");
}

TEST(ManPage, HeaderAndSectionsAreQuotedMacroArguments) {
    ManPage page("halvo-cli", 1, "Halvo 8.0.0", "User Commands");
    page.section("exit status");
    page.subsection("k10-matrices");
    EXPECT_EQ(page.text(),
              ".TH \"HALVO\\-CLI\" 1 \"\" \"Halvo 8.0.0\" \"User Commands\"\n"
              ".SH \"EXIT STATUS\"\n"
              ".SS \"k10\\-matrices\"\n");
}

TEST(ManPage, QuotesInsideAMacroArgumentAreDoubled) {
    ManPage page("x", 1, "s", "m");
    page.subsection("the \"Cal File\" list");
    EXPECT_NE(page.text().find(".SS \"the \"\"Cal File\"\" list\"\n"), std::string::npos) << page.text();
}

TEST(ManPage, ParagraphsAreFilledWithoutBlankOrIndentedLines) {
    ManPage page("x", 1, "s", "m");
    page.paragraph("first line\n   indented\n\n.last\n");
    const std::string& t = page.text();
    EXPECT_NE(t.find(".PP\nfirst line\nindented\n\\&.last\n"), std::string::npos) << t;
}

TEST(ManPage, PreformattedTextKeepsItsColumnsAndMarksBlankLines) {
    ManPage page("x", 1, "s", "m");
    page.preformatted("usage: x [--a]\n\n  --a   the a\n");
    const std::string& t = page.text();
    EXPECT_NE(t.find(".PP\n.nf\nusage: x [\\-\\-a]\n.sp\n  \\-\\-a   the a\n.fi\n"), std::string::npos) << t;
}

}  // namespace
}  // namespace halvo
