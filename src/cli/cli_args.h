#pragma once

// Argument handling shared by halvo-cli's subcommands: options are taken out of the list by
// name, what remains are the positionals. Numbers that start with '-' stay positionals.

#include <optional>
#include <string>
#include <vector>

namespace halvo::cli {

class Args {
public:
    explicit Args(std::vector<std::string> args) : args_(std::move(args)) {}

    // Removes a flag; true when it was present.
    bool takeFlag(const std::string& name);
    // Removes "--name value" (or "--name=value"); nullopt when absent. A missing value is an
    // error recorded for error().
    std::optional<std::string> takeOption(const std::string& name);
    // Everything not taken. An option left over ("--x" that is not a number) is an error.
    std::vector<std::string> positionals();

    // The first problem met, or empty.
    const std::string& error() const { return error_; }

    // Every option name asked for so far, whether present or not: the options a command
    // accepts, which its help must describe.
    const std::vector<std::string>& askedFor() const { return asked_; }

private:
    std::vector<std::string> args_;
    std::string error_;
    std::vector<std::string> asked_;
};

std::optional<double> ParseDouble(const std::string& text);
std::optional<long> ParseLong(const std::string& text);

}  // namespace halvo::cli
