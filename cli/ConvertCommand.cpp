#include "cli/ConvertCommand.h"

#include "engine/Converter.h"
#include "engine/JobSettings.h"
#include "platform/FileSystem.h"
#include "platform/StreamMessageBox.h"
#include "settings/Profile.h"

#include <charconv>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

const char kConvertHelp[] =
    "pelmar-cli convert INPUT --out DIR --symbol SYMBOL [options]\n"
    "  Converts the price file INPUT into a security of the MetaStock database in DIR.\n"
    "  Defaults are built in (saved settings of the window program are not used).\n"
    "    --out DIR            output directory (required; must exist)\n"
    "    --symbol SYMBOL      security symbol, at most 16 characters (required; upper-cased)\n"
    "    --name NAME          security name, at most 16 characters (default: none)\n"
    "    --new-master         start a new MASTER in DIR (\"Make New Master\");\n"
    "                         default: add to the MASTER there (\"Use Existing Master\")\n"
    "    --delimiter D        comma, tab or space (default: comma)\n"
    "    --date-format F      YY_MM_DD, CCYY_MM_DD, MM_DD_YY, MM_DD_CCYY, DD_MM_YY,\n"
    "                         DD_MM_CCYY, YYMMDD, CCYYMMDD, MMDDYY, MMDDCCYY, DDMMYY,\n"
    "                         DDMMCCYY, or the beginning of one, any case (default: MMDDYY)\n"
    "    --skip-rows N        skip the first N rows, 0 to 200 (default: no skipping)\n"
    "    --reverse            the file runs newest first: it is saved as INPUT.BAK and\n"
    "                         reversed in place before converting\n"
    "    --date-col N         column of the date, 1 to 20 (default: 1)\n"
    "    --open-col N         column of the open (default: 2)\n"
    "    --high-col N         column of the high (default: 3)\n"
    "    --low-col N          column of the low (default: 4)\n"
    "    --close-col N        column of the close (default: 5)\n"
    "    --volume-col N       column of the volume (default: 6)\n"
    "    --oi-col N           column of the open interest (default: 7)\n"
    "    --no-open, --no-high, --no-low, --no-volume, --no-oi\n"
    "                         the file has no such field (default: all fields present)\n"
    "  Messages of the run go to stderr; then \"Conversion completed successfully!\" or\n"
    "  \"Conversion failed.\" goes to stdout. Exit status: 0 success, 1 failed run,\n"
    "  2 usage error or refused setting (nothing written).\n";

namespace {

int UsageError(std::ostream& err, const std::string& message) {
    err << "pelmar-cli convert: " << message << "\n"
        << "Try 'pelmar-cli convert --help'.\n";
    return 2;
}

bool ParseNumber(std::string_view text, long long& nValue) {
    const char* pEnd = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), pEnd, nValue);
    return ec == std::errc() && ptr == pEnd && !text.empty();
}

}  // namespace

int RunConvert(int argc, char** argv, std::ostream& out, std::ostream& err) {
    SImportSettings settings;  // the first-run defaults
    std::string strInput;
    bool bHaveInput = false;
    bool bHaveOut = false;
    bool bHaveSymbol = false;

    const struct {
        const char* pszOption;
        long long SImportSettings::*pColumn;
    } columnOptions[] = {
        {"--date-col", &SImportSettings::nDateCol},     {"--open-col", &SImportSettings::nOpenCol},
        {"--high-col", &SImportSettings::nHiCol},       {"--low-col", &SImportSettings::nLoCol},
        {"--close-col", &SImportSettings::nCloCol},     {"--volume-col", &SImportSettings::nVolCol},
        {"--oi-col", &SImportSettings::nOICol},
    };
    const struct {
        const char* pszOption;
        int SImportSettings::*pFlag;
    } fieldOffOptions[] = {
        {"--no-open", &SImportSettings::bOpenOn}, {"--no-high", &SImportSettings::bHiOn},
        {"--no-low", &SImportSettings::bLoOn},    {"--no-volume", &SImportSettings::bVolOn},
        {"--no-oi", &SImportSettings::bOIOn},
    };

    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&](std::string& target) {
            if (i + 1 >= argc) {
                return false;
            }
            target = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            out << kConvertHelp;
            return 0;
        }
        if (arg == "--new-master") {
            settings.nExist = 1;
            continue;
        }
        if (arg == "--reverse") {
            settings.bReverseOrder = 1;
            continue;
        }
        bool bHandled = false;
        for (const auto& option : fieldOffOptions) {
            if (arg == option.pszOption) {
                settings.*option.pFlag = 0;
                bHandled = true;
            }
        }
        for (const auto& option : columnOptions) {
            if (arg == option.pszOption) {
                std::string text;
                long long nColumn = 0;
                if (!value(text) || !ParseNumber(text, nColumn)) {
                    return UsageError(err, std::string(option.pszOption) + " needs a column number");
                }
                settings.*option.pColumn = nColumn;
                bHandled = true;
            }
        }
        if (bHandled) {
            continue;
        }
        std::string text;
        if (arg == "--out") {
            if (!value(settings.strPathOut)) {
                return UsageError(err, "--out needs a directory");
            }
            bHaveOut = true;
        } else if (arg == "--symbol") {
            if (!value(settings.strSymbol)) {
                return UsageError(err, "--symbol needs a symbol");
            }
            bHaveSymbol = true;
        } else if (arg == "--name") {
            if (!value(settings.strName)) {
                return UsageError(err, "--name needs a name");
            }
        } else if (arg == "--delimiter") {
            if (!value(text)) {
                return UsageError(err, "--delimiter needs comma, tab or space");
            }
            if (text == "comma") {
                settings.nDelimiter = 0;
            } else if (text == "tab") {
                settings.nDelimiter = 1;
            } else if (text == "space") {
                settings.nDelimiter = 2;
            } else {
                return UsageError(err, "unknown delimiter '" + text + "' (comma, tab or space)");
            }
        } else if (arg == "--date-format") {
            if (!value(text)) {
                return UsageError(err, "--date-format needs a date format");
            }
            const int nFormat = text.empty() ? 0 : DateFormatNumber(text);
            if (nFormat == 0) {
                return UsageError(err, "unknown date format '" + text + "'");
            }
            // As the settings dialog does: the entry that the text begins is the one saved.
            settings.strDateFormat = kDateFormatNames[static_cast<std::size_t>(nFormat - 1)];
        } else if (arg == "--skip-rows") {
            long long nRows = 0;
            if (!value(text) || !ParseNumber(text, nRows)) {
                return UsageError(err, "--skip-rows needs a number of rows");
            }
            settings.bSkipOn = 1;
            settings.nRowsToSkip = nRows;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError(err, "unknown option '" + std::string(arg) + "'");
        } else if (bHaveInput) {
            return UsageError(err, "more than one input file given");
        } else {
            strInput = arg;
            bHaveInput = true;
        }
    }
    if (!bHaveInput) {
        return UsageError(err, "no input file given");
    }
    if (!bHaveOut) {
        return UsageError(err, "--out is required");
    }
    if (!bHaveSymbol) {
        return UsageError(err, "--symbol is required");
    }

    // The run changes the current directory to the output directory: hand it a full path,
    // as the window program's open dialog does.
    std::error_code ec;
    const std::filesystem::path input = std::filesystem::absolute(strInput, ec);
    CFileSystem& fs = GetSystemFileSystem();
    if (ec || std::filesystem::is_directory(input, ec) || !fs.Open(input, EOpenMode::Read)) {
        err << "Cannot read the input file " << strInput << "\n";
        return 2;
    }
    settings.strPathIn = input.string();

    auto problem = CheckSettingsValues(settings);
    if (!problem) {
        problem = CheckSettingsForRun(settings);
    }
    if (problem) {
        err << problem->strMessage << "\n";
        return 2;
    }

    CProfile profile;
    bool bCreatedNew = false;
    if (profile.CreateKey("Software\\Veldrin Software\\Pelmar", bCreatedNew) && bCreatedNew) {
        profile.MigrateIniFile();
    }

    CStreamMessageBox messages(err);
    CConverter job(fs, messages, profile);
    FillJob(settings, job);
    const int nResult = job.Convert();
    out << (nResult == 0 ? "Conversion completed successfully!" : "Conversion failed.") << "\n";
    return nResult == 0 ? 0 : 1;
}
