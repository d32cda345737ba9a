#pragma once

// Argument handling shared by halvo-cli's subcommands: options are taken out of the list by
// name, what remains are the positionals. Numbers that start with '-' stay positionals.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace halvo::cli {

// The items a list option chooses from, each with the spellings it is known by (compared without
// regard to case); "all" chooses every item, and "none" no item where the option allows it.
struct ListVocabulary {
    std::vector<std::vector<std::string>> items;
    bool noneAllowed = false;
};

// Where an output option's value points: a folder the command writes into, or a file.
enum class OutputKind { Folder, File };

class Args {
public:
    explicit Args(std::vector<std::string> args) : args_(std::move(args)) {}

    // Removes a flag; true when it was present.
    bool takeFlag(const std::string& name);
    // Removes "--name value" (or "--name=value"); nullopt when absent. A missing value is an
    // error recorded for error().
    std::optional<std::string> takeOption(const std::string& name);
    // "--name all", "--name a,b,c": the indices of the items chosen, in the vocabulary's order;
    // nullopt when absent. A value naming an unknown item (or nothing) sets *bad, and *unknown
    // (when given) to that item, and gives nullopt; the command says what the option takes.
    std::optional<std::vector<int>> takeList(const std::string& name, const ListVocabulary& vocabulary, bool* bad,
                                             std::string* unknown = nullptr);
    // "--name <path>" for something the command writes: like takeOption, and the option is known
    // as an output (its folder is made with PrepareOutput before writing).
    std::optional<std::string> takeOutput(const std::string& name, OutputKind kind);
    // Everything not taken. An option left over ("--x" that is not a number) is an error.
    std::vector<std::string> positionals();

    // The first problem met, or empty.
    const std::string& error() const { return error_; }

    // Every option name asked for so far, whether present or not: the options a command
    // accepts, which its help must describe.
    const std::vector<std::string>& askedFor() const { return asked_; }
    // The list options asked for, with the number of items of each; and the last value each
    // gave (item indices).
    const std::map<std::string, size_t>& listOptions() const { return lists_; }
    const std::map<std::string, std::vector<int>>& listValues() const { return listValues_; }
    // The output options asked for.
    const std::map<std::string, OutputKind>& outputOptions() const { return outputs_; }

private:
    std::vector<std::string> args_;
    std::string error_;
    std::vector<std::string> asked_;
    std::map<std::string, size_t> lists_;
    std::map<std::string, std::vector<int>> listValues_;
    std::map<std::string, OutputKind> outputs_;
};

// Makes the folder an output needs: the folder itself, or the one a file goes into. False with
// *error set when it cannot be made (or a file stands in its way).
bool PrepareOutput(const std::string& path, OutputKind kind, std::string* error);

std::optional<double> ParseDouble(const std::string& text);
std::optional<long> ParseLong(const std::string& text);

}  // namespace halvo::cli
