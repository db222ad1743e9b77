// pelmar-cli's commands. Each takes the words after its name, writes its result to out and
// its messages to err, and returns the exit status: 0 success, 1 a failed run or a problem
// found, 2 a usage error or a refused setting (nothing written).
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

using Arguments = std::vector<std::string>;

int RunConvert(const Arguments& args, std::ostream& out, std::ostream& err);
int RunDetect(const Arguments& args, std::ostream& out, std::ostream& err);
int RunList(const Arguments& args, std::ostream& out, std::ostream& err);
int RunDump(const Arguments& args, std::ostream& out, std::ostream& err);
int RunCheck(const Arguments& args, std::ostream& out, std::ostream& err);
int RunDelete(const Arguments& args, std::ostream& out, std::ostream& err);
int RunRename(const Arguments& args, std::ostream& out, std::ostream& err);
// repair asks on standard input unless given --yes; RunRepairWith takes the answer from in.
int RunRepair(const Arguments& args, std::ostream& out, std::ostream& err);
int RunRepairWith(const Arguments& args, std::istream& in, std::ostream& out, std::ostream& err);

// The help of convert and detect, as --help writes it.
std::string ConvertHelp();
std::string DetectHelp();
// The help of list, dump, check, delete, rename and repair.
std::string FolderCommandHelp(const std::string& command);

// A price file given on the command line as a full path (UTF-8); nullopt, told on err, when
// it cannot be read.
std::optional<std::string> InputPath(const std::string& input, std::ostream& err);
