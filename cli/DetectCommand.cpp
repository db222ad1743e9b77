// pelmar-cli detect: the layout of a price file, worked out from its first lines and printed as
// the options of pelmar-cli convert that read it.
#include "cli/Commands.h"

#include "engine/LayoutDetector.h"
#include "platform/FileSystem.h"

#include <ostream>

const char kDetectHelp[] =
    "pelmar-cli detect FILE\n"
    "  Works out how the price file FILE is laid out (delimiter, decimal mark, header rows,\n"
    "  date column and layout, the columns of the fields, newest first or not) from its first\n"
    "  lines, and prints it as options of 'pelmar-cli convert' on one line, ready to paste. A\n"
    "  named column of several symbols (Ticker, Symbol, <TICKER>) becomes --symbol-col N: each\n"
    "  symbol of the file is then a security of its own.\n"
    "  What could not be decided for sure is told on stderr, one line each.\n"
    "  Exit status: 0 when every choice is certain, 1 when one is not or the file cannot be\n"
    "  read, 2 for a usage error.\n";

namespace {

int UsageError(std::ostream& err, const std::string& message) {
    err << "pelmar-cli detect: " << message << "\n"
        << "Try 'pelmar-cli detect --help'.\n";
    return 2;
}

} // namespace

int RunDetect(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (WantsHelp(args)) {
        out << kDetectHelp;
        return 0;
    }
    std::vector<std::string> inputs;
    for (const std::string& arg : args) {
        if (arg.size() > 1 && arg[0] == '-') {
            return UsageError(err, "unknown option '" + arg + "'");
        }
        inputs.push_back(arg);
    }
    if (inputs.size() != 1) {
        return UsageError(err, inputs.empty() ? "no input file given" : "one input file at a time");
    }

    const auto path = InputPath(inputs.front(), err);
    if (!path) {
        return 1;
    }
    const SLayoutDetection detection = CLayoutDetector().DetectFile(GetSystemFileSystem(), Utf8Path(*path));
    if (detection.failure) {
        err << *detection.failure << "\n";
        return 1;
    }
    out << ConvertOptionsText(detection.settings) << "\n";
    for (const std::string& doubt : detection.doubts) {
        err << doubt << "\n";
    }
    return detection.AllCertain() ? 0 : 1;
}
