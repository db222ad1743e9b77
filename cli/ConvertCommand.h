// pelmar-cli convert: one conversion from the command line, filled as the Settings command
// fills its job, with built-in defaults so that a script gives the same result anywhere.
#pragma once

#include <iosfwd>

// args: the words after "convert". Returns the exit status: 0 success, 1 a failed run,
// 2 a usage error or a refused setting (nothing written).
int RunConvert(int argc, char** argv, std::ostream& out, std::ostream& err);
extern const char kConvertHelp[];
