// pelmar-cli detect: the layout of a price file, worked out from its first lines and printed as
// the options of pelmar-cli convert that read it; what cannot be told is said, with the option
// that settles it, and no line is printed that would convert on a guess.
#include "cli/CommandLineApp.h"
#include "cli/LayoutOptions.h"

#include "engine/LayoutDetector.h"
#include "engine/Wording.h"
#include "platform/FileSystem.h"

#include <ostream>

namespace {

const char kDescription[] =
    "Works out how the price file FILE is laid out (delimiter, decimal mark, header rows, date column\n"
    "and layout, a time of day, the columns of the fields, a currency, newest first or not, daily,\n"
    "weekly, monthly or intraday bars) from its first lines, and prints it as options of 'pelmar-cli\n"
    "convert' on one line, ready to paste. A named column of several symbols (Ticker, Symbol,\n"
    "<TICKER>) becomes --symbol-col N: each symbol of the file is then a security of its own.\n"
    "Options given settle what detection cannot tell and win over what it finds. A choice that\n"
    "cannot be told for certain is said on stderr with the option that settles it, and then no line\n"
    "of options is printed. Notes on what was likely but not certain go to stderr as well.\n"
    "Exit status: 0 a layout was found, 1 a choice is in doubt or the file cannot be read, 2 a\n"
    "usage error.";

void Declare(CLI::App& app, std::string& strInput, CLayoutOptions& layout) {
    SetUpCommand(app, "detect", kDescription);
    app.add_option("FILE", strInput, "the price file")->required();
    layout.Declare(app);
}

} // namespace

std::string DetectHelp() {
    CLI::App app;
    std::string strInput;
    CLayoutOptions layout;
    Declare(app, strInput, layout);
    return app.help();
}

int RunDetect(const Arguments& args, std::ostream& out, std::ostream& err) {
    CLI::App app;
    std::string strInput;
    CLayoutOptions layout;
    Declare(app, strInput, layout);
    if (const auto status = ParseCommand(app, args, out, err)) {
        return *status;
    }
    const auto path = InputPath(strInput, err);
    if (!path) {
        return 1;
    }
    const CWording& wording = CommandLineWording();
    const SDetectedLayout detected = DetectedLayout(
        GetSystemFileSystem(), Utf8Path(*path), [&](SInputLayout& l) { layout.Apply(l); }, layout.Settled(), wording);
    if (detected.failure || detected.Guessed()) {
        err << detected.Refusal(true, wording) << "\n";
        return 1;
    }
    out << ConvertOptionsText(detected.layout) << "\n";
    // Lines the layout does not read are no doubt of the layout: convert names them, and fails
    // unless they are to be left out.
    for (const SDoubt& note : detected.doubts) {
        err << "Note: " << note.strText << "\n";
    }
    return detected.BadLines() ? 1 : 0;
}
