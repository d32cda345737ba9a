#include "cli/cli_args.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

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
