#include "setup/config_ini.h"

#include <vector>

#include "common/text_format.h"
#include "setup/decimal_text.h"

namespace halvo {

std::optional<ConfigLines> ParseConfigIni(std::string_view content, int version) {
    if (content.size() > kMaxConfigBytes) {
        return std::nullopt;
    }
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < content.size() && lines.size() < static_cast<size_t>(kConfigLineCount)) {
        size_t end = content.find('\n', start);
        const size_t next = end == std::string_view::npos ? content.size() : end + 1;
        if (end == std::string_view::npos) {
            end = content.size();
        }
        std::string_view line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        start = next;
    }
    if (lines.size() < static_cast<size_t>(kConfigLineCount)) {
        return std::nullopt;
    }
    const std::string_view key = lines[0];
    if (key.empty() || key.front() != '>') {
        return std::nullopt;
    }
    const std::optional<int> fileVersion = WholeDecimal(key.substr(1));
    if (!fileVersion || *fileVersion != version) {
        return std::nullopt;
    }
    ConfigLines out;
    for (int n = 2; n <= kConfigLineCount; ++n) {
        out.text[static_cast<size_t>(n)] = std::string(lines[static_cast<size_t>(n - 1)]);
    }
    return out;
}

std::string FormatConfigIni(int version, const ConfigLines& lines) {
    std::string out = Format(">%d\r\n", version);
    for (int n = 2; n <= kConfigLineCount; ++n) {
        for (const char c : lines.text[static_cast<size_t>(n)]) {
            if (c != '\n') {
                out += c;
            }
        }
        out += "\r\n";
    }
    return out;
}

}  // namespace halvo
