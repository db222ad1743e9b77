// pelmar-cli convert: conversions from the command line, with built-in defaults so that a
// script gives the same result on every machine. The options build the conversion as one value
// (the input layout and the output choices), the same value the window program builds from its
// dialog.
#include "cli/CommandLineApp.h"
#include "cli/LayoutOptions.h"

#include "engine/BatchConverter.h"
#include "engine/Converter.h"
#include "engine/JobSettings.h"
#include "engine/Wording.h"
#include "platform/CommandLine.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "platform/PathLookup.h"
#include "platform/StreamMessageBox.h"
#include "platform/TextEncoding.h"
#include "settings/Profile.h"

#include <ostream>

namespace {

constexpr const char* kCommand = "convert";

const char kDescription[] =
    "Converts the price file FILE into a security of the MetaStock database in the folder --out.\n"
    "The whole file is read and checked first; only a file whose every line is good (or left out\n"
    "with --skip-bad-lines) changes the database, all at once. A folder that holds no database\n"
    "yet gets a new one. With several files each becomes a security whose symbol is its file\n"
    "name's stem, upper-cased and cut at the first character a symbol cannot hold (at most 14);\n"
    "its name is --name or the symbol; a bad file is reported and left out, and the run fails\n"
    "(the summary says which files were written and which were not; --all-or-nothing writes none).\n"
    "Messages go to stderr; the summary, then \"Conversion completed successfully!\" or\n"
    "\"Conversion failed.\" to stdout.";

struct SConvertOptions {
    std::vector<std::string> inputs;
    std::string strOut;
    std::string strSymbol;
    std::string strName;
    bool bNewMaster = false;
    bool bUpdate = false;
    bool bAddOrUpdate = false;
    bool bSkipBadLines = false;
    bool bKeepLast = false;
    bool bSymbolFromFileName = false;
    bool bDetect = false;
    bool bAllOrNothing = false;
    CLI::Option* pSymbol = nullptr;
    CLayoutOptions layout;
};

void Declare(CLI::App& app, SConvertOptions& options) {
    SetUpCommand(app, kCommand, kDescription);
    app.add_option("FILE", options.inputs, "price files (patterns such as *.csv are expanded)")
        ->required()
        ->option_text("...");
    app.add_option("--out", options.strOut, "output folder (it must exist)")->required()->option_text("DIR (required)");
    options.pSymbol = app.add_option("--symbol", options.strSymbol, "security symbol, at most 14 characters (upper-cased)")
                          ->option_text("SYMBOL");
    app.add_option("--name", options.strName, "security name, at most 44 characters")->option_text("NAME");
    auto* pNew = app.add_flag("--new-master", options.bNewMaster, "start a new database in the folder (\"Make New Master\")");
    auto* pUpdate = app.add_flag("--update", options.bUpdate,
                                 "add the file's new bars to the security it names (\"Add New Bars\"); bars it "
                                 "already holds must be equal");
    auto* pAddOrUpdate = app.add_flag("--add-or-update", options.bAddOrUpdate,
                                      "new bars for securities the database holds, a new security for the others");
    pNew->excludes(pUpdate)->excludes(pAddOrUpdate);
    pUpdate->excludes(pAddOrUpdate);
    app.add_flag("--skip-bad-lines", options.bSkipBadLines,
                 "leave bad lines out instead of failing; each one is listed on stderr");
    app.add_flag("--keep-last", options.bKeepLast,
                 "a file of more bars than a security holds (65,534): keep the newest, leave the oldest out");
    app.add_flag("--symbol-from-file-name", options.bSymbolFromFileName,
                 "the symbol is the file name's stem, upper-cased (for one file as for several)");
    app.add_flag("--all-or-nothing", options.bAllOrNothing, "with several files: one bad file keeps them all out");
    app.add_flag("--detect", options.bDetect,
                 "work the layout out from the file itself (see 'pelmar-cli detect'); options given win over what "
                 "is detected, and a choice that cannot be told for certain must be given");
    options.layout.Declare(app);
}

EMasterMode ModeOf(const SConvertOptions& options) {
    return options.bNewMaster     ? EMasterMode::MakeNew
           : options.bUpdate      ? EMasterMode::AddNewBars
           : options.bAddOrUpdate ? EMasterMode::AddOrUpdate
                                  : EMasterMode::UseExisting;
}

// The lines a run left out, each named, as warnings on stderr.
void ListSkippedLines(std::ostream& err, const std::string& strFile, const std::vector<SBadLine>& lines,
                      std::uint64_t nAll) {
    for (const SBadLine& line : lines) {
        err << "warning: " << strFile << ": line " << line.nLine << " left out: " << line.strReason << "\n";
    }
    if (nAll > lines.size()) {
        err << "warning: " << strFile << ": " << nAll - lines.size() << " more lines left out are not listed\n";
    }
}

// The layout problem of a conversion, in the command line's words; empty when there is none.
std::string LayoutRefusal(const SInputLayout& layout) {
    const SLayoutCheck check = CheckLayout(layout);
    if (check.Ok()) {
        return {};
    }
    if (check.problem == ELayoutProblem::CommaWithComma) {
        return "--decimal-comma needs another delimiter than the comma (--delimiter semicolon, tab or space)";
    }
    if (check.problem == ELayoutProblem::SharedColumn) {
        return LayoutProblemText(check) + " Give each field a column of its own (--<field>-col N, --no-<field>).";
    }
    return LayoutProblemText(check);
}

// The symbol and name as stored, checked; a refusal (exit status 2) said on err.
bool CheckNames(SOutputChoice& output, bool bSymbolNeeded, std::ostream& err) {
    if (bSymbolNeeded) {
        std::string strProblem;
        const auto clean = CleanSymbol(output.strSymbol, strProblem);
        if (!clean) {
            err << strProblem << "\n";
            return false;
        }
        output.strSymbol = *clean;
    }
    const auto name = Utf8ToWindows1252(output.strName);
    if (!name) {
        err << "The name can hold only letters, digits and signs of the Windows-1252 character set.\n";
        return false;
    }
    if (name->size() > kMaxNameChars) {
        err << "The name can be at most " << kMaxNameChars << " characters long.\n";
        return false;
    }
    return true;
}

int ConvertOne(SConvertOptions& options, SConversion& conversion, std::ostream& out, std::ostream& err) {
    const CWording& wording = CommandLineWording();
    if (options.bSymbolFromFileName) {
        conversion.output.strSymbol = SymbolFromFileName(PathUtf8(Utf8Path(conversion.strInputPath).stem()));
        if (conversion.output.strSymbol.empty()) {
            err << "The file name " << options.inputs.front() << " gives no symbol; give one with --symbol\n";
            return 2;
        }
    }
    const bool bHaveSymbol = !conversion.output.strSymbol.empty();
    if (options.bDetect) {
        const SDetectedLayout detected =
            DetectedLayout(GetSystemFileSystem(), Utf8Path(conversion.strInputPath),
                           [&](SInputLayout& layout) { options.layout.Apply(layout); }, options.layout.Settled(), wording);
        if (const std::string refusal = detected.Refusal(conversion.read.bSkipBadLines, wording); !refusal.empty()) {
            err << refusal << "\n";
            out << "Conversion failed.\n";
            // A guess the options must settle is a refused setting; a file that cannot be read, a failed run.
            return detected.Guessed() && !detected.failure ? 2 : 1;
        }
        conversion.layout = detected.layout;
        if (bHaveSymbol && !options.layout.SymbolColumnGiven()) {
            conversion.layout.nSymbolCol = kNoColumn; // the symbol given names the one security of the file
        }
        err << "Detected: " << ConvertOptionsText(conversion.layout) << "\n";
        for (const SDoubt& note : detected.doubts) {
            // Bad lines to be left out are each named after the run.
            if (note.choice != EDetectChoice::Reading || !conversion.read.bSkipBadLines) {
                err << "Note: " << note.strText << "\n";
            }
        }
    }
    const bool bSymbolColumn = conversion.layout.nSymbolCol != kNoColumn;
    if (!bHaveSymbol && !bSymbolColumn) {
        return UsageError(err, kCommand,
                          options.bDetect ? "--symbol is required: the file has no column of symbols"
                                          : "--symbol is required (or --symbol-col, --symbol-from-file-name)");
    }
    if (bSymbolColumn) {
        conversion.output.strSymbol.clear();
    }
    if (const std::string refusal = LayoutRefusal(conversion.layout); !refusal.empty()) {
        return UsageError(err, kCommand, refusal);
    }
    if (!CheckNames(conversion.output, !bSymbolColumn, err)) {
        return 2;
    }

    CProfile profile;
    profile.CreateKey();
    CStreamMessageBox messages(err);
    CConverter job(GetSystemFileSystem(), messages, profile, wording);
    const int nResult = job.Convert(conversion);
    if (nResult == 0) {
        ListSkippedLines(err, options.inputs.front(), job.SkippedLines(), job.SkippedLineCount());
    }
    for (const std::string& line : job.Summary()) {
        out << line << "\n";
    }
    out << (nResult == 0 ? "Conversion completed successfully!" : "Conversion failed.") << "\n";
    return nResult == 0 ? 0 : 1;
}

int ConvertBatch(SConvertOptions& options, SConversion& conversion, const std::vector<std::string>& files,
                 std::ostream& out, std::ostream& err) {
    if (options.pSymbol->count() > 0 && !options.bSymbolFromFileName) {
        return UsageError(err, kCommand, "--symbol names one security; with several files each symbol comes from its file name");
    }
    if (const std::string refusal = LayoutRefusal(conversion.layout); !refusal.empty() && !options.bDetect) {
        return UsageError(err, kCommand, refusal);
    }
    if (!CheckNames(conversion.output, false, err)) {
        return 2;
    }
    CProfile profile;
    profile.CreateKey();
    CStreamMessageBox messages(err);
    CBatchConverter batch(GetSystemFileSystem(), messages, profile, CommandLineWording());
    batch.SetAllOrNothing(options.bAllOrNothing);
    if (IsStderrTerminal()) {
        batch.SetProgress([&err](std::size_t nDone, std::size_t nTotal, const std::string&) {
            err << "\rReading " << nDone << " of " << nTotal << " files..." << (nDone == nTotal ? "\n" : "")
                << std::flush;
            return true;
        });
    }
    const int nResult = batch.Run(conversion, files, true, options.bDetect,
                                  [&](SInputLayout& layout) { options.layout.Apply(layout); }, options.layout.Settled());
    for (const SBatchFileResult& result : batch.Results()) {
        for (const std::string& line : result.summary) {
            out << line << "\n";
        }
        if (result.bOk) {
            ListSkippedLines(err, result.strPath, result.skipped, result.skipped.size());
            continue;
        }
        err << result.strPath << ":";
        for (const std::string& message : result.messages) {
            err << (message.find('\n') == std::string::npos ? " " : "\n") << message;
        }
        err << "\n";
    }
    const auto folder = ResolvePathNoCase(GetSystemFileSystem(), Utf8Path(conversion.output.strFolder));
    out << "Folder: " << (folder ? PathUtf8(*folder) : conversion.output.strFolder) << "\n";
    out << batch.Total() << "\n";
    out << (nResult == 0 ? "Conversion completed successfully!" : "Conversion failed.") << "\n";
    return nResult == 0 ? 0 : 1;
}

} // namespace

std::string ConvertHelp() {
    SConvertOptions options;
    CLI::App app;
    Declare(app, options);
    return app.help();
}

int RunConvert(const Arguments& args, std::ostream& out, std::ostream& err) {
    SConvertOptions options;
    CLI::App app;
    Declare(app, options);
    if (const auto status = ParseCommand(app, args, out, err)) {
        return *status;
    }
    // A folder that is not there is a refused setting: nothing is read or written.
    CFileSystem& fs = GetSystemFileSystem();
    const auto folder = ResolvePathNoCase(fs, Utf8Path(options.strOut));
    if (!folder || fs.Status(*folder).kind != EEntryKind::Directory) {
        err << "The output folder " << options.strOut << " does not exist.\n";
        return 2;
    }
    std::vector<std::string> files;
    for (const std::string& input : options.inputs) {
        for (const std::string& expanded : ExpandFileArgument(input)) {
            const auto path = InputPath(expanded, err);
            if (!path) {
                return 2;
            }
            files.push_back(*path);
        }
    }
    SConversion conversion;
    options.layout.Apply(conversion.layout);
    conversion.read = SReadOptions{options.bSkipBadLines, options.bKeepLast};
    conversion.output.strFolder = options.strOut;
    conversion.output.mode = ModeOf(options);
    conversion.output.strSymbol = options.strSymbol;
    conversion.output.strName = options.strName;
    if (files.size() > 1 || (options.bSymbolFromFileName && conversion.layout.nSymbolCol == kNoColumn)) {
        return ConvertBatch(options, conversion, files, out, err);
    }
    conversion.strInputPath = files.front();
    return ConvertOne(options, conversion, out, err);
}
