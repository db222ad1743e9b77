// pelmar-cli: the conversion and a look into MetaStock databases, for scripts and batch work.
#include "cli/ConvertCommand.h"
#include "cli/ListDumpCommands.h"

#include <cstring>
#include <iostream>

namespace {

void PrintHelp(std::ostream& out) {
    out << "Usage: pelmar-cli COMMAND ...\n"
           "Converts price data held in plain text into a MetaStock database, and shows what a\n"
           "database holds.\n\n"
        << kConvertHelp << "\n"
        << kListHelp << "\n"
        << kDumpHelp << "\n"
        << "pelmar-cli --help\n  Shows this text. 'pelmar-cli COMMAND --help' shows one command.\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintHelp(std::cerr);
        return 2;
    }
    const char* pszCommand = argv[1];
    if (std::strcmp(pszCommand, "--help") == 0 || std::strcmp(pszCommand, "-h") == 0 ||
        std::strcmp(pszCommand, "help") == 0) {
        PrintHelp(std::cout);
        return 0;
    }
    if (std::strcmp(pszCommand, "convert") == 0) {
        return RunConvert(argc - 2, argv + 2, std::cout, std::cerr);
    }
    if (std::strcmp(pszCommand, "list") == 0) {
        return RunList(argc - 2, argv + 2, std::cout, std::cerr);
    }
    if (std::strcmp(pszCommand, "dump") == 0) {
        return RunDump(argc - 2, argv + 2, std::cout, std::cerr);
    }
    std::cerr << "pelmar-cli: unknown command '" << pszCommand << "'\nTry 'pelmar-cli --help'.\n";
    return 2;
}
