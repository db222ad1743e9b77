// What the commands share in declaring and parsing their options with CLI11: parsing the
// words after the command's name, the usage error in the program's one form, and the help.
#pragma once

#include "cli/Commands.h"

#include <CLI/CLI.hpp>

#include <optional>

// A command's option parser, named "pelmar-cli COMMAND", with its description.
void SetUpCommand(CLI::App& app, const char* pszCommand, const std::string& strDescription);

// Parses args. nullopt when the command is to run; else the exit status: 0 after the help was
// written to out, 2 after a usage error was said on err ("pelmar-cli convert: --out is
// required" and where to find help).
std::optional<int> ParseCommand(CLI::App& app, const Arguments& args, std::ostream& out, std::ostream& err);

// A whole number from nMin to nMax, refused in one sentence ("'abc' is not a number from 0 to
// 200") whatever is wrong with it.
CLI::Validator NumberFrom(int nMin, int nMax);

// The usage error of a command, found after parsing: said on err; returns 2.
int UsageError(std::ostream& err, const char* pszCommand, const std::string& strMessage);
