// pelmar-cli list and dump: read-only looks into a MetaStock database, also one written by
// other software. Neither writes a file.
#pragma once

#include <iosfwd>

// args: the words after "list" / "dump". Returns the exit status: 0 success, 1 a missing,
// truncated or inconsistent file (told on err), 2 a usage error.
int RunList(int argc, char** argv, std::ostream& out, std::ostream& err);
int RunDump(int argc, char** argv, std::ostream& out, std::ostream& err);

extern const char kListHelp[];
extern const char kDumpHelp[];
