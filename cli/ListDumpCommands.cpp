#include "cli/ListDumpCommands.h"

#include "metastock/DatabaseReader.h"
#include "metastock/MasterFile.h"
#include "metastock/Mbf.h"
#include "platform/FileSystem.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

const char kListHelp[] =
    "pelmar-cli list DIR\n"
    "  Lists every record of DIR's MASTER, one tab-separated line each after a header line:\n"
    "    Record  File  Kind  Symbol  Name  Fields  First  Last  Bars\n"
    "  Record is the record number (1 = first entry), File the file number n of F<n>.DAT.\n"
    "  Kind is \"security\", \"directory\" (Name then holds the subdirectory, which has a\n"
    "  MASTER of its own) or \"uncounted\" (a record after the header's entry count, which\n"
    "  no search reads). First and Last are the entry's dates as YYYY-MM-DD, Bars the bar\n"
    "  count in the data file's header. \"-\" stands for a value that is missing or is no\n"
    "  valid date; a character outside printable ASCII shows as \"?\".\n";

const char kDumpHelp[] =
    "pelmar-cli dump DIR SYMBOL\n"
    "  Writes the bars of the security SYMBOL of DIR's MASTER as CSV. SYMBOL is matched as\n"
    "  a duplicate symbol is found: without regard to case, against the entry's symbol or\n"
    "  its name. The header row names the fields of the data file, from\n"
    "  Date,Open,High,Low,Close,Volume,OpenInterest, as F<n>.DOP lists them; without a\n"
    "  usable F<n>.DOP the field count decides: 2 Date,Close; 3 Date,Close,Volume;\n"
    "  4 Date,High,Low,Close; 5 Date,High,Low,Close,Volume; 6 Date,Open,High,Low,Close,\n"
    "  Volume; 7 all. Dates are YYYY-MM-DD (\"-\" for a value that is no valid date),\n"
    "  numbers in the shortest form that reads back to the same single.\n"
    "  Only the bars that the data file's header counts are written.\n";

namespace {

constexpr std::size_t kSymbolFieldChars = 17; // from offset 36 to the record's end

bool IsLeapYear(int yearsSince1900) {
    return yearsSince1900 % 4 == 0;
}

// YYYY-MM-DD of a date value, "-" for anything that is not one.
std::string DateValueText(float value) {
    // Integers up to 2^24 are exact; beyond that a single holds no whole date value.
    if (!(value >= 101.0f && value <= 16777216.0f) || value != std::floor(value)) {
        return "-";
    }
    const int nValue = static_cast<int>(value);
    const int nYear = nValue / 10000;     // years since 1900, [0, 1677]
    const int nMonth = nValue / 100 % 100; // [0, 99]
    const int nDay = nValue % 100;        // [0, 99]
    static constexpr int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (nMonth < 1 || nMonth > 12 || nDay < 1 || nDay > kDays[nMonth - 1] ||
        (nMonth == 2 && nDay == 29 && !IsLeapYear(nYear))) {
        return "-";
    }
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", 1900 + nYear, nMonth, nDay);
    return text;
}

std::string NumberText(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

// Entry text fit for one column: no tab, no control or non-ASCII byte.
std::string ColumnText(const std::string& text) {
    std::string shown = text;
    for (char& c : shown) {
        if (c < 0x20 || c > 0x7E) {
            c = '?';
        }
    }
    return shown.empty() ? "-" : shown;
}

std::string SymbolText(const MasterRecord& record) {
    std::string symbol = EntrySymbolText(record, kSymbolFieldChars);
    symbol.erase(symbol.find_last_not_of(' ') + 1);
    return symbol;
}

std::string DateAt(const MasterRecord& record, std::size_t offset) {
    float value;
    DecodeMbf(record.data() + offset, &value);
    return DateValueText(value);
}

bool WantsHelp(int argc, char** argv) {
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            return true;
        }
    }
    return false;
}

} // namespace

int RunList(int argc, char** argv, std::ostream& out, std::ostream& err) {
    if (WantsHelp(argc, argv)) {
        out << kListHelp;
        return 0;
    }
    if (argc != 1) {
        err << "pelmar-cli list: expected one directory\n" << kListHelp;
        return 2;
    }
    const std::filesystem::path dir = argv[0];
    CFileSystem& fs = GetSystemFileSystem();
    std::string strError;
    const auto listing = ReadMasterListing(fs, dir, strError);
    if (!listing) {
        err << "pelmar-cli list: " << strError << '\n';
        return 1;
    }
    std::vector<std::string> problems = listing->problems;

    out << "Record\tFile\tKind\tSymbol\tName\tFields\tFirst\tLast\tBars\n";
    for (std::size_t i = 0; i < listing->records.size(); ++i) {
        const MasterRecord& record = listing->records[i];
        const bool bCounted = i < listing->nCounted;
        out << i + 1 << '\t' << static_cast<int>(record[0]) << '\t';
        if (bCounted && IsDirectoryEntry(record)) {
            out << "directory\t-\t" << ColumnText(DirectoryEntryName(record)) << "\t-\t-\t-\t-\n";
            continue;
        }
        out << (bCounted ? "security" : "uncounted") << '\t' << ColumnText(SymbolText(record)) << '\t'
            << ColumnText(EntryNameText(record)) << '\t' << static_cast<int>(record[4]) << '\t'
            << DateAt(record, kEntryFirstDateOffset) << '\t' << DateAt(record, kEntryLastDateOffset) << '\t';
        std::string strDataError;
        const auto info = ReadDataFileInfo(fs, dir, record, strDataError);
        out << (info ? std::to_string(info->nBarCount) : std::string("-")) << '\n';
        // Records that no search reads are shown for what they hold, not checked.
        if (!info && bCounted) {
            problems.push_back(strDataError);
        }
    }
    for (const std::string& problem : problems) {
        err << "pelmar-cli list: " << problem << '\n';
    }
    out.flush();
    if (!out) {
        err << "pelmar-cli list: the listing could not be written\n";
        return 1;
    }
    return problems.empty() ? 0 : 1;
}

int RunDump(int argc, char** argv, std::ostream& out, std::ostream& err) {
    if (WantsHelp(argc, argv)) {
        out << kDumpHelp;
        return 0;
    }
    if (argc != 2) {
        err << "pelmar-cli dump: expected a directory and a symbol\n" << kDumpHelp;
        return 2;
    }
    const std::filesystem::path dir = argv[0];
    const std::string symbol = argv[1];
    CFileSystem& fs = GetSystemFileSystem();
    std::string strError;
    const auto listing = ReadMasterListing(fs, dir, strError);
    if (!listing) {
        err << "pelmar-cli dump: " << strError << '\n';
        return 1;
    }
    const MasterRecord* pEntry = nullptr;
    for (std::size_t i = 0; i < listing->nCounted && !pEntry; ++i) {
        const MasterRecord& record = listing->records[i];
        if (!IsDirectoryEntry(record) && EntryMatchesSymbol(record, symbol)) {
            pEntry = &record;
        }
    }
    // A truncated or inconsistent MASTER fails the run even when the security is found in
    // its whole records; the bars are still written.
    for (const std::string& problem : listing->problems) {
        err << "pelmar-cli dump: " << problem << '\n';
    }
    if (!pEntry) {
        err << "pelmar-cli dump: " << listing->path.string() << ": no security has the symbol or name \"" << symbol
            << "\"\n";
        return 1;
    }
    const auto bars = ReadSecurityBars(fs, dir, *pEntry, strError);
    if (!bars) {
        err << "pelmar-cli dump: " << strError << '\n';
        return 1;
    }
    for (const std::string& warning : bars->warnings) {
        err << "pelmar-cli dump: warning: " << warning << '\n';
    }

    static constexpr const char* kColumnNames[kFieldCount] = {"Date", "Open",   "High",        "Low",
                                                              "Close", "Volume", "OpenInterest"};
    const std::size_t nFields = bars->fields.size();
    for (std::size_t f = 0; f < nFields; ++f) {
        out << (f ? "," : "") << kColumnNames[bars->fields[f]];
    }
    out << '\n';
    std::string line;
    for (std::size_t row = 0; row < bars->values.size(); row += nFields) {
        line.clear();
        for (std::size_t f = 0; f < nFields; ++f) {
            const float value = bars->values[row + f];
            line += f ? "," : "";
            line += bars->fields[f] == kFieldDate ? DateValueText(value) : NumberText(value);
        }
        line += '\n';
        out << line;
    }
    out.flush();
    if (!out) {
        err << "pelmar-cli dump: the bars could not be written\n";
        return 1;
    }
    return listing->problems.empty() ? 0 : 1;
}
