// CLI11 speaks English in its help and in its usage errors; these put its
// words into Russian like the rest of the program.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace flashdisk::cli {

// The help's captions, the help flag and the group names. Call it on the
// program's App before any command is added, so that the commands inherit it.
void UseRussianTexts(CLI::App& app);

// Puts a command into the group that the program's help lists as its commands.
void MarkAsCommand(CLI::App& command);

// A validator that lets exactly the given texts through, with a Russian
// refusal naming them.
CLI::Validator OneOf(const std::vector<std::string>& allowed);

// The Russian text of a usage error that parsing `app` raised, without the
// program's name.
std::string RussianUsageError(const CLI::Error& error, const CLI::App& app);

}  // namespace flashdisk::cli
