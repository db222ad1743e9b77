// The program's arguments as UTF-8 text on every system. Windows hands a program its command
// line as UTF-16; the narrow argv there is in the ANSI code page and loses every character
// outside it, so the arguments are taken from the UTF-16 line and converted once.
#pragma once

#include <string>
#include <vector>

// argv[0] included. On POSIX the bytes of argv as they are.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Makes the console show the UTF-8 text the program writes, until the program ends; nothing
// to do on POSIX.
void UseUtf8Console();

// The files that a file argument names: on Windows, where the shell leaves patterns such as
// *.csv to the program, the files that match (sorted; the pattern itself when none does);
// elsewhere, where the shell has expanded them, the argument as it is.
std::vector<std::string> ExpandFileArgument(const std::string& argument);
