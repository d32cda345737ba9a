#include "common/man_page.h"

#include <cstdint>

#include "common/text_format.h"

namespace halvo {
namespace {

// The code point of the UTF-8 sequence at text[i], advancing i past it; a byte that starts no
// valid sequence stands for itself (Latin-1), so nothing is ever dropped.
uint32_t NextCodePoint(const std::string& text, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t lead = byte(i);
    size_t length = 0;
    uint32_t code = 0;
    if (lead >= 0xF0 && lead < 0xF5) {
        length = 4;
        code = lead & 0x07u;
    } else if (lead >= 0xE0) {
        length = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xC2 && lead < 0xE0) {
        length = 2;
        code = lead & 0x1Fu;
    }
    if (length == 0 || i + length > text.size()) {
        ++i;
        return lead;
    }
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0u) != 0x80u) {
            ++i;
            return lead;
        }
        code = code << 6 | (byte(i + k) & 0x3Fu);
    }
    i += length;
    return code;
}

std::string EscapeLine(const std::string& line) {
    std::string out;
    if (!line.empty() && (line.front() == '.' || line.front() == '\'')) {
        out += "\\&";
    }
    for (size_t i = 0; i < line.size();) {
        const char c = line[i];
        if (static_cast<uint8_t>(c) >= 0x80) {
            out += Format("\\[u%04X]", NextCodePoint(line, i));
            continue;
        }
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
        ++i;
    }
    return out;
}

// A quoted macro argument: roff has no escape for '"' inside one, so it becomes two quotes.
std::string MacroArgument(const std::string& text) {
    std::string escaped;
    for (const char c : RoffEscape(text)) {
        escaped += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return "\"" + escaped + "\"";
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

}  // namespace

std::string RoffEscape(const std::string& text) {
    std::string out;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        out += EscapeLine(line);
        if (end == std::string::npos) {
            break;
        }
        out += '\n';
        start = end + 1;
    }
    return out;
}

ManPage::ManPage(const std::string& name, int section, const std::string& source, const std::string& manual) {
    text_ = Format(".TH %s %d \"\" %s %s\n", MacroArgument(Upper(name)).c_str(), section, MacroArgument(source).c_str(),
                   MacroArgument(manual).c_str());
}

void ManPage::section(const std::string& title) {
    text_ += ".SH " + MacroArgument(Upper(title)) + "\n";
}

void ManPage::subsection(const std::string& title) {
    text_ += ".SS " + MacroArgument(title) + "\n";
}

void ManPage::paragraph(const std::string& text) {
    text_ += ".PP\n";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        // Leading blanks would break the filled line; a blank line would end the paragraph.
        size_t first = text.find_first_not_of(' ', start);
        if (first != std::string::npos && first < end) {
            text_ += EscapeLine(text.substr(first, end - first)) + "\n";
        }
        start = end + 1;
    }
}

void ManPage::preformatted(const std::string& text) {
    text_ += ".PP\n.nf\n";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        text_ += line.empty() ? std::string(".sp\n") : EscapeLine(line) + "\n";
        start = end + 1;
    }
    text_ += ".fi\n";
}

}  // namespace halvo
