#include "cli/cli_args.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>

namespace halvo::cli {

bool Args::takeFlag(const std::string& name) {
    asked_.push_back(name);
    for (auto it = args_.begin(); it != args_.end(); ++it) {
        if (*it == name) {
            args_.erase(it);
            return true;
        }
    }
    return false;
}

std::optional<std::string> Args::takeOption(const std::string& name) {
    asked_.push_back(name);
    const std::string prefix = name + "=";
    for (auto it = args_.begin(); it != args_.end(); ++it) {
        if (it->rfind(prefix, 0) == 0) {
            std::string value = it->substr(prefix.size());
            args_.erase(it);
            return value;
        }
        if (*it == name) {
            if (it + 1 == args_.end()) {
                if (error_.empty()) {
                    error_ = name + " needs a value";
                }
                args_.erase(it);
                return std::nullopt;
            }
            std::string value = *(it + 1);
            args_.erase(it, it + 2);
            return value;
        }
    }
    return std::nullopt;
}

namespace {

std::string TrimBlanks(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::optional<std::vector<int>> Args::takeList(const std::string& name, const ListVocabulary& vocabulary, bool* bad,
                                               std::string* unknown) {
    lists_[name] = vocabulary.items.size();
    *bad = false;
    const std::optional<std::string> value = takeOption(name);
    if (!value) {
        return std::nullopt;
    }
    std::vector<int> chosen;
    const std::string text = TrimBlanks(*value);
    if (strcasecmp(text.c_str(), "all") == 0) {
        for (size_t i = 0; i < vocabulary.items.size(); ++i) {
            chosen.push_back(static_cast<int>(i));
        }
    } else if (!(vocabulary.noneAllowed && strcasecmp(text.c_str(), "none") == 0)) {
        std::stringstream list(text);
        std::string item;
        std::vector<bool> marked(vocabulary.items.size(), false);
        while (std::getline(list, item, ',')) {
            item = TrimBlanks(item);
            bool known = false;
            for (size_t i = 0; i < vocabulary.items.size() && !known; ++i) {
                for (const std::string& spelling : vocabulary.items[i]) {
                    if (strcasecmp(spelling.c_str(), item.c_str()) == 0) {
                        marked[i] = known = true;
                        break;
                    }
                }
            }
            if (!known) {
                *bad = true;
                if (unknown != nullptr) {
                    *unknown = item;
                }
                return std::nullopt;
            }
        }
        for (size_t i = 0; i < marked.size(); ++i) {
            if (marked[i]) {
                chosen.push_back(static_cast<int>(i));
            }
        }
        if (chosen.empty()) {
            *bad = true;
            return std::nullopt;
        }
    }
    listValues_[name] = chosen;
    return chosen;
}

std::optional<std::string> Args::takeOutput(const std::string& name, OutputKind kind) {
    outputs_[name] = kind;
    return takeOption(name);
}

bool PrepareOutput(const std::string& path, OutputKind kind, std::string* error) {
    namespace fs = std::filesystem;
    const fs::path folder = kind == OutputKind::Folder ? fs::path(path) : fs::path(path).parent_path();
    if (folder.empty()) {
        return true;  // the working directory
    }
    std::error_code ec;
    if (fs::exists(folder, ec) && !fs::is_directory(folder, ec)) {
        if (error != nullptr) {
            *error = folder.string() + " is not a directory";
        }
        return false;
    }
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        if (error != nullptr) {
            *error = "cannot make the folder " + folder.string() + (ec ? ": " + ec.message() : std::string());
        }
        return false;
    }
    return true;
}

std::vector<std::string> Args::positionals() {
    for (const std::string& a : args_) {
        if (a.size() > 1 && a[0] == '-' && !ParseDouble(a)) {
            if (error_.empty()) {
                error_ = "unknown option " + a;
            }
        }
    }
    return args_;
}

std::optional<double> ParseDouble(const std::string& text) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<long> ParseLong(const std::string& text) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (end != text.c_str() + text.size() || errno == ERANGE) {
        return std::nullopt;
    }
    return value;
}

}  // namespace halvo::cli
