#pragma once

// Manual pages in roff (the man macros), written from the same texts the programs print for
// --help, so the two cannot drift apart.

#include <string>

namespace halvo {

// text made safe for roff: backslashes, hyphen-minus signs (kept ASCII, so options can be
// searched for and copied), control characters at line starts, and non-ASCII characters as
// Unicode escapes.
std::string RoffEscape(const std::string& text);

class ManPage {
public:
    // name as in the header line (upper case there), section number, the source ("Halvo 8.0.0")
    // and the manual's title ("User Commands").
    ManPage(const std::string& name, int section, const std::string& source, const std::string& manual);

    void section(const std::string& title);
    void subsection(const std::string& title);
    // Filled by the formatter: the text's line breaks become spaces.
    void paragraph(const std::string& text);
    // Kept as printed on a terminal: columns and line breaks as in the text.
    void preformatted(const std::string& text);

    const std::string& text() const { return text_; }

private:
    std::string text_;
};

}  // namespace halvo
