// pelmar-cli: conversions and a look into MetaStock databases, for scripts and batch work.
#include "cli/Commands.h"
#include "platform/CommandLine.h"

#include <iostream>

namespace {

const char kVersion[] = PELMAR_VERSION;

void PrintHelp(std::ostream& out) {
    out << "Usage: pelmar-cli COMMAND ...\n"
           "Converts price data held in plain text into a MetaStock database, and shows, checks and\n"
           "changes what a database holds.\n\n"
           "Commands:\n"
           "  pelmar-cli convert FILE... --out DIR [options]\n"
           "  pelmar-cli detect FILE [options]\n"
           "  pelmar-cli list DIR\n"
           "  pelmar-cli dump DIR SYMBOL\n"
           "  pelmar-cli check DIR\n"
           "  pelmar-cli delete DIR SYMBOL\n"
           "  pelmar-cli rename DIR SYMBOL NEWSYMBOL [--name NAME]\n"
           "  pelmar-cli repair DIR [--yes]\n"
           "  pelmar-cli --help | --version\n\n"
        << ConvertHelp() << "\n"
        << DetectHelp() << "\n";
    for (const char* pszCommand : {"list", "dump", "check", "delete", "rename", "repair"}) {
        out << FolderCommandHelp(pszCommand) << "\n";
    }
    out << "'pelmar-cli COMMAND --help' shows one command.\n";
}

} // namespace

int main(int argc, char** argv) {
    UseUtf8Console();
    Arguments args = Utf8Arguments(argc, argv);
    if (!args.empty()) {
        args.erase(args.begin()); // the program's own name
    }
    if (args.empty()) {
        PrintHelp(std::cerr);
        return 2;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        PrintHelp(std::cout);
        return 0;
    }
    if (command == "--version") {
        std::cout << "pelmar-cli " << kVersion << "\n";
        return 0;
    }
    const struct {
        const char* pszName;
        int (*pRun)(const Arguments&, std::ostream&, std::ostream&);
    } commands[] = {
        {"convert", RunConvert}, {"detect", RunDetect}, {"list", RunList},     {"dump", RunDump},
        {"check", RunCheck},     {"delete", RunDelete}, {"rename", RunRename}, {"repair", RunRepair},
    };
    for (const auto& entry : commands) {
        if (command == entry.pszName) {
            const int nResult = entry.pRun(args, std::cout, std::cerr);
            std::cout.flush();
            if (!std::cout) {
                std::cerr << "pelmar-cli: the output could not be written\n";
                return 1;
            }
            return nResult;
        }
    }
    std::cerr << "pelmar-cli: unknown command '" << command << "'\nTry 'pelmar-cli --help'.\n";
    return 2;
}
