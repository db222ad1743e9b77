// pelmar-cli convert: conversions from the command line, filled as the Settings command fills
// its job, with built-in defaults so that a script gives the same result on every machine.
#include "cli/Commands.h"

#include "engine/BatchConverter.h"
#include "engine/Converter.h"
#include "engine/JobSettings.h"
#include "engine/LayoutDetector.h"
#include "platform/CommandLine.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "platform/PathLookup.h"
#include "platform/StreamMessageBox.h"
#include "settings/Profile.h"

#include <charconv>
#include <ostream>

const char kConvertHelp[] =
    "pelmar-cli convert FILE --out DIR --symbol SYMBOL [options]\n"
    "pelmar-cli convert FILE... --out DIR [options]   (or FILE --symbol-from-file-name)\n"
    "  Converts the price file FILE into a security of the MetaStock database in DIR. The\n"
    "  whole file is read and checked first; only a file whose every line is good changes the\n"
    "  database, all at once. Defaults are built in (the window program's saved settings are\n"
    "  not used).\n"
    "    --out DIR            output folder (required; must exist)\n"
    "    --symbol SYMBOL      security symbol, at most 14 characters (required; upper-cased)\n"
    "    --name NAME          security name, at most 44 characters (default: none)\n"
    "    --new-master         start a new database in DIR (\"Make New Master\"; not with --update);\n"
    "                         default: add to the MASTER there (\"Use Existing Master\")\n"
    "    --update             add the file's new bars to the existing security SYMBOL\n"
    "                         (\"Add New Bars\"); bars it already holds must be equal\n"
    "    --delimiter D        comma, tab, semicolon or space (default: comma)\n"
    "    --decimal-comma      numbers use a decimal comma (not with --delimiter comma)\n"
    "    --date-format F      YY_MM_DD, CCYY_MM_DD, MM_DD_YY, MM_DD_CCYY, DD_MM_YY,\n"
    "                         DD_MM_CCYY, YYMMDD, CCYYMMDD, MMDDYY, MMDDCCYY, DDMMYY,\n"
    "                         DDMMCCYY, or the beginning of one, any case (default: MMDDYY)\n"
    "    --skip-rows N        skip the first N lines, 0 to 200 (default: no skipping)\n"
    "    --skip-bad-lines     leave bad lines out (counted in the summary) instead of failing\n"
    "    --reverse            the file runs newest first; its bars are turned round in memory\n"
    "                         (the file itself is never changed)\n"
    "    --date-col N         column of the date, 1 to 20 (default: 1)\n"
    "    --open-col N         column of the open (default: 2)\n"
    "    --high-col N         column of the high (default: 3)\n"
    "    --low-col N          column of the low (default: 4)\n"
    "    --close-col N        column of the close (default: 5)\n"
    "    --volume-col N       column of the volume (default: 6)\n"
    "    --oi-col N           column of the open interest (default: 7)\n"
    "    --symbol-col N       column of a symbol: each symbol of the file becomes a security\n"
    "    --symbol-from-file-name\n"
    "                         the symbol is the file name's stem, upper-cased (for one file as\n"
    "                         for several)\n"
    "    --detect             work the layout out from the file itself (see 'pelmar-cli detect');\n"
    "                         options given win over what is detected, and a choice that\n"
    "                         cannot be told for certain must be given\n"
    "    --no-open, --no-high, --no-low, --no-volume, --no-oi\n"
    "                         the file has no such field (default: all fields present)\n"
    "  Several files: each becomes a security whose symbol is its file name's stem, upper-cased\n"
    "  and cut at the first character a symbol cannot hold (at most 14); its name is --name or\n"
    "  the symbol. The good files are added together; a bad one is reported and left out, and\n"
    "  the run then fails (the summary says which files were written and which were not).\n"
    "    --all-or-nothing     with several files: one bad file keeps them all out\n"
    "  Messages of the run go to stderr; its summary, then \"Conversion completed\n"
    "  successfully!\" or \"Conversion failed.\" go to stdout.\n";

namespace {

int UsageError(std::ostream& err, const std::string& message) {
    err << "pelmar-cli convert: " << message << "\n"
        << "Try 'pelmar-cli convert --help'.\n";
    return 2;
}

bool ParseNumber(const std::string& text, long long& nValue) {
    const char* pEnd = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), pEnd, nValue);
    return ec == std::errc() && ptr == pEnd && !text.empty();
}

struct SConvertOptions {
    SImportSettings settings; // the first-run defaults, then the options given
    // The options given, again, to be laid over detected settings, and the choices they make.
    std::vector<std::function<void(SImportSettings&)>> given;
    DetectChoices choices{};
    void Set(long long SImportSettings::*pMember, long long nValue, std::optional<EDetectChoice> choice) {
        settings.*pMember = nValue;
        given.push_back([pMember, nValue](SImportSettings& s) { s.*pMember = nValue; });
        if (choice) {
            choices[static_cast<std::size_t>(*choice)] = true;
        }
    }
    void Set(std::string SImportSettings::*pMember, const std::string& value, std::optional<EDetectChoice> choice) {
        settings.*pMember = value;
        given.push_back([pMember, value](SImportSettings& s) { s.*pMember = value; });
        if (choice) {
            choices[static_cast<std::size_t>(*choice)] = true;
        }
    }
    void ApplyGiven(SImportSettings& target) const {
        for (const auto& set : given) {
            set(target);
        }
    }
    std::vector<std::string> inputs;
    bool bHaveOut = false;
    bool bHaveSymbol = false;
    bool bSymbolFromFileName = false;
    bool bDetect = false;
    bool bSymbolColGiven = false;
    bool bNewMaster = false;
    bool bUpdate = false;
    bool bAllOrNothing = false;
};

// Fills options from args; an exit status (2) with its message when they are refused.
std::optional<int> ParseConvertOptions(const Arguments& args, SConvertOptions& options, std::ostream& out,
                                       std::ostream& err) {
    SImportSettings& settings = options.settings;
    using EChoice = EDetectChoice;
    const struct {
        const char* pszOption;
        long long SImportSettings::*pMember;
        std::optional<EChoice> choice;
        long long SImportSettings::*pOnMember; // a field's column also switches the field on
    } numberOptions[] = {
        {"--date-col", &SImportSettings::nDateCol, EChoice::DateColumn, nullptr},
        {"--open-col", &SImportSettings::nOpenCol, EChoice::Open, &SImportSettings::bOpenOn},
        {"--high-col", &SImportSettings::nHiCol, EChoice::High, &SImportSettings::bHiOn},
        {"--low-col", &SImportSettings::nLoCol, EChoice::Low, &SImportSettings::bLoOn},
        {"--close-col", &SImportSettings::nCloCol, EChoice::Close, nullptr},
        {"--volume-col", &SImportSettings::nVolCol, EChoice::Volume, &SImportSettings::bVolOn},
        {"--oi-col", &SImportSettings::nOICol, EChoice::OpenInterest, &SImportSettings::bOIOn},
        {"--symbol-col", &SImportSettings::nSymbolCol, std::nullopt, nullptr},
        {"--skip-rows", &SImportSettings::nRowsToSkip, EChoice::HeaderRows, &SImportSettings::bSkipOn},
    };
    const struct {
        const char* pszOption;
        long long SImportSettings::*pMember;
        long long nValue;
        std::optional<EChoice> choice;
    } flagOptions[] = {
        {"--no-open", &SImportSettings::bOpenOn, 0, EChoice::Open},
        {"--no-high", &SImportSettings::bHiOn, 0, EChoice::High},
        {"--no-low", &SImportSettings::bLoOn, 0, EChoice::Low},
        {"--no-volume", &SImportSettings::bVolOn, 0, EChoice::Volume},
        {"--no-oi", &SImportSettings::bOIOn, 0, EChoice::OpenInterest},
        {"--reverse", &SImportSettings::bReverseOrder, 1, EChoice::Order},
        {"--skip-bad-lines", &SImportSettings::bSkipBadLines, 1, std::nullopt},
        {"--decimal-comma", &SImportSettings::bDecimalComma, 1, EChoice::DecimalMark},
        {"--new-master", &SImportSettings::nExist, static_cast<long long>(EMasterMode::MakeNew), std::nullopt},
        {"--update", &SImportSettings::nExist, static_cast<long long>(EMasterMode::AddNewBars), std::nullopt},
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&](std::string& target) {
            if (i + 1 >= args.size()) {
                return false;
            }
            target = args[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            out << kConvertHelp;
            return 0;
        }
        bool bHandled = false;
        for (const auto& option : flagOptions) {
            if (arg == option.pszOption) {
                options.Set(option.pMember, option.nValue, option.choice);
                options.bNewMaster |= arg == "--new-master";
                options.bUpdate |= arg == "--update";
                bHandled = true;
            }
        }
        for (const auto& option : numberOptions) {
            if (arg == option.pszOption) {
                std::string text;
                long long nValue = 0;
                if (!value(text) || !ParseNumber(text, nValue)) {
                    return UsageError(err, std::string(option.pszOption) + " needs a number");
                }
                options.Set(option.pMember, nValue, option.choice);
                options.bSymbolColGiven |= option.pMember == &SImportSettings::nSymbolCol;
                if (option.pOnMember != nullptr) {
                    options.Set(option.pOnMember, 1, option.choice);
                }
                bHandled = true;
            }
        }
        if (bHandled) {
            continue;
        }
        std::string text;
        if (arg == "--out") {
            if (!value(text)) {
                return UsageError(err, "--out needs a folder");
            }
            options.Set(&SImportSettings::strPathOut, text, std::nullopt);
            options.bHaveOut = true;
        } else if (arg == "--symbol") {
            if (!value(text)) {
                return UsageError(err, "--symbol needs a symbol");
            }
            options.Set(&SImportSettings::strSymbol, text, std::nullopt);
            options.bHaveSymbol = true;
        } else if (arg == "--name") {
            if (!value(text)) {
                return UsageError(err, "--name needs a name");
            }
            options.Set(&SImportSettings::strName, text, std::nullopt);
        } else if (arg == "--symbol-from-file-name") {
            options.bSymbolFromFileName = true;
        } else if (arg == "--detect") {
            options.bDetect = true;
        } else if (arg == "--all-or-nothing") {
            options.bAllOrNothing = true;
        } else if (arg == "--delimiter") {
            if (!value(text)) {
                return UsageError(err, "--delimiter needs comma, tab, semicolon or space");
            }
            const struct {
                const char* pszName;
                EDelimiter delimiter;
            } delimiters[] = {{"comma", EDelimiter::Comma},
                              {"tab", EDelimiter::Tab},
                              {"space", EDelimiter::Space},
                              {"semicolon", EDelimiter::Semicolon}};
            bool bKnown = false;
            for (const auto& delimiter : delimiters) {
                if (text == delimiter.pszName) {
                    options.Set(&SImportSettings::nDelimiter, static_cast<long long>(delimiter.delimiter),
                                EDetectChoice::Delimiter);
                    bKnown = true;
                }
            }
            if (!bKnown) {
                return UsageError(err, "unknown delimiter '" + text + "' (comma, tab, semicolon or space)");
            }
        } else if (arg == "--date-format") {
            if (!value(text)) {
                return UsageError(err, "--date-format needs a date format");
            }
            const int nFormat = text.empty() ? 0 : DateFormatNumber(text);
            if (nFormat == 0) {
                return UsageError(err, "unknown date format '" + text + "'");
            }
            // A beginning that several layouts share would be a guess: MM could be MM_DD_YY or MMDDCCYY.
            int nMatches = 0;
            for (const char* pszName : kDateFormatNames) {
                const std::string_view name = pszName;
                nMatches += text.size() <= name.size() && EqualNoCase(name.substr(0, text.size()), text) ? 1 : 0;
            }
            if (nMatches > 1 && !EqualNoCase(kDateFormatNames[static_cast<std::size_t>(nFormat - 1)], text)) {
                return UsageError(err, "the date format '" + text + "' is the beginning of several layouts; give it whole");
            }
            // As the settings dialog does: the entry that the text begins is the one saved.
            options.Set(&SImportSettings::strDateFormat, kDateFormatNames[static_cast<std::size_t>(nFormat - 1)],
                        EDetectChoice::DateFormat);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError(err, "unknown option '" + arg + "'");
        } else {
            const std::vector<std::string> files = ExpandFileArgument(arg);
            options.inputs.insert(options.inputs.end(), files.begin(), files.end());
        }
    }
    if (options.inputs.empty()) {
        return UsageError(err, "no input file given");
    }
    if (!options.bHaveOut) {
        return UsageError(err, "--out is required");
    }
    if (options.bNewMaster && options.bUpdate) {
        return UsageError(err, "--new-master and --update exclude each other");
    }
    if (settings.bDecimalComma != 0 && settings.nDelimiter == static_cast<long long>(EDelimiter::Comma)) {
        return UsageError(err, "--decimal-comma needs another delimiter than the comma (--delimiter semicolon, tab or space)");
    }
    return std::nullopt;
}


int ConvertOne(SConvertOptions& options, std::ostream& out, std::ostream& err) {
    SImportSettings& settings = options.settings;
    const auto input = InputPath(options.inputs.front(), err);
    if (!input) {
        return 2;
    }
    settings.strPathIn = *input;
    if (options.bSymbolFromFileName) {
        settings.strSymbol = SymbolFromFileName(PathUtf8(Utf8Path(*input).stem()));
        options.bHaveSymbol = !settings.strSymbol.empty();
        if (!options.bHaveSymbol) {
            err << "The file name " << options.inputs.front() << " gives no symbol; give one with --symbol\n";
            return 2;
        }
    }
    if (!options.bHaveSymbol && settings.nSymbolCol == 0 && !options.bDetect) {
        return UsageError(err, "--symbol is required (or --symbol-col, --symbol-from-file-name)");
    }
    if (options.bDetect) {
        std::vector<std::string> notes;
        std::string strProblem;
        const auto detected =
            DetectedSettings(GetSystemFileSystem(), Utf8Path(*input), settings,
                             [&](SImportSettings& s) { options.ApplyGiven(s); }, options.choices, notes, strProblem);
        if (!detected) {
            err << strProblem << "\n";
            out << "Conversion failed.\n";
            return 1;
        }
        settings = *detected;
        if (options.bHaveSymbol && !options.bSymbolColGiven) {
            settings.nSymbolCol = 0; // the symbol given names the one security of the file
        }
        err << "Detected: " << ConvertOptionsText(settings) << "\n";
        for (const std::string& note : notes) {
            err << note << "\n";
        }
        if (!options.bHaveSymbol && settings.nSymbolCol == 0) {
            return UsageError(err, "--symbol is required: the file has no column of symbols");
        }
    }

    if (const auto problem = CheckSettings(settings, settings.nSymbolCol != 0)) {
        err << problem->strMessage << "\n";
        return 2;
    }

    CProfile profile;
    profile.CreateKey();
    CStreamMessageBox messages(err);
    CConverter job(GetSystemFileSystem(), messages, profile);
    FillJob(settings, job);
    const int nResult = job.Convert();
    for (const std::string& line : job.Summary()) {
        out << line << "\n";
    }
    out << (nResult == 0 ? "Conversion completed successfully!" : "Conversion failed.") << "\n";
    return nResult == 0 ? 0 : 1;
}

int ConvertBatch(SConvertOptions& options, std::ostream& out, std::ostream& err) {
    SImportSettings& settings = options.settings;
    if (options.bHaveSymbol && !options.bSymbolFromFileName) {
        return UsageError(err, "--symbol names one security; with several files each symbol comes from its file name");
    }
    std::vector<std::string> files;
    for (const std::string& input : options.inputs) {
        const auto path = InputPath(input, err);
        if (!path) {
            return 2;
        }
        files.push_back(*path);
    }
    // Checked once for all files with a stand-in symbol; each file's own is checked by the batch.
    SImportSettings checked = settings;
    checked.strSymbol.assign(1, 'X'); // a literal here trips a false warning of GCC 12
    checked.strPathIn = files.front();
    if (const auto problem = CheckSettings(checked)) {
        err << problem->strMessage << "\n";
        return 2;
    }

    CProfile profile;
    profile.CreateKey();
    CStreamMessageBox messages(err);
    CBatchConverter batch(GetSystemFileSystem(), messages, profile);
    batch.SetAllOrNothing(options.bAllOrNothing);
    if (IsStderrTerminal()) {
        batch.SetProgress([&err](std::size_t nDone, std::size_t nTotal, const std::string&) {
            err << "\rReading " << nDone << " of " << nTotal << " files..." << (nDone == nTotal ? "\n" : "")
                << std::flush;
            return true;
        });
    }
    const int nResult = batch.Run(settings, files, true, options.bDetect,
                                  [&](SImportSettings& s) { options.ApplyGiven(s); }, options.choices);
    for (const SBatchFileResult& result : batch.Results()) {
        for (const std::string& line : result.summary) {
            out << line << "\n";
        }
        if (!result.bOk) {
            err << result.strPath << ":";
            for (const std::string& message : result.messages) {
                err << (message.find('\n') == std::string::npos ? " " : "\n") << message;
            }
            err << "\n";
        }
    }
    if (!files.empty()) {
        const auto folder = ResolvePathNoCase(GetSystemFileSystem(), Utf8Path(settings.strPathOut));
        out << "Folder: " << (folder ? PathUtf8(*folder) : settings.strPathOut) << "\n";
    }
    out << batch.Total() << "\n";
    out << (nResult == 0 ? "Conversion completed successfully!" : "Conversion failed.") << "\n";
    return nResult == 0 ? 0 : 1;
}

} // namespace


int RunConvert(const Arguments& args, std::ostream& out, std::ostream& err) {
    SConvertOptions options;
    if (const auto status = ParseConvertOptions(args, options, out, err)) {
        return *status;
    }
    // A folder that is not there is a refused setting: nothing is read or written.
    CFileSystem& fs = GetSystemFileSystem();
    const auto folder = ResolvePathNoCase(fs, Utf8Path(options.settings.strPathOut));
    if (!folder || fs.Status(*folder).kind != EEntryKind::Directory) {
        err << "The output folder " << options.settings.strPathOut << " does not exist.\n";
        return 2;
    }
    if (options.inputs.size() > 1 || (options.bSymbolFromFileName && options.settings.nSymbolCol == 0)) {
        return ConvertBatch(options, out, err);
    }
    return ConvertOne(options, out, err);
}
