// pelmar-cli list, dump and check look into a MetaStock database, also one written by other
// software, and write nothing; delete and rename change one security through the folder's
// lock and one commit; repair makes an inconsistent folder whole.
#include "cli/CommandLineApp.h"

#include "engine/JobSettings.h"
#include "metastock/Database.h"
#include "metastock/Dates.h"
#include "metastock/FolderRepair.h"
#include "platform/FileSystem.h"
#include "platform/StreamMessageBox.h"
#include "platform/TextEncoding.h"

#include <charconv>
#include <cstdio>
#include <iostream>
#include <ostream>

namespace {

const char kListDescription[] =
    "Lists every security of DIR's MASTER, EMASTER and XMASTER, one tab-separated line each after\n"
    "a header line:\n"
    "  File  Symbol  Name  Fields  Period  First  Last  Bars  DataFile\n"
    "File is the file number n of F<n>.DAT (MASTER) or F<n>.MWD (XMASTER); Name the whole name\n"
    "where EMASTER or XMASTER holds it; Period D (daily), W (weekly), M (monthly) or I<minutes>\n"
    "(intraday); First and Last the directory's dates as YYYY-MM-DD; Bars the count in the data\n"
    "file's header (\"-\" when the data file cannot be read). Exit status 1 when the folder is\n"
    "damaged or a data file is missing (the problems go to stderr).";

const char kDumpDescription[] =
    "Writes the bars of the security SYMBOL of DIR (MASTER, EMASTER or XMASTER; the symbol without\n"
    "regard to case) as CSV. The header row names the fields of the data file, from\n"
    "Date,Time,Open,High,Low,Close,Volume,OpenInterest: as F<n>.DOP lists them, else as EMASTER's\n"
    "or XMASTER's field set says, else the usual set for the field count. Dates are YYYY-MM-DD,\n"
    "times HHMMSS, numbers in the shortest form that reads back to the same single. Only the bars\n"
    "that the data file's header counts are written.";

const char kCheckDescription[] =
    "Reports every inconsistency between DIR's MASTER, EMASTER and XMASTER and its data files, one\n"
    "line each: counts, file numbers listed twice or missing on disk, records only in MASTER or\n"
    "only in EMASTER, data files shorter or longer than their header says, dates that disagree, an\n"
    "interrupted change. When there is none it says so, with the number of securities, and exits\n"
    "with status 0; otherwise 1.";

const char kDeleteDescription[] =
    "Removes the security SYMBOL from DIR: its entry in every directory file that lists it and its\n"
    "data files. The other securities keep their file numbers.";

const char kRenameDescription[] =
    "Gives the security SYMBOL of DIR the symbol NEWSYMBOL (at most 14 characters) and, with\n"
    "--name, a new name (at most 44 characters), in every directory file that lists it.";

const char kRepairDescription[] =
    "Makes a folder that the charting software or a crash left inconsistent whole, without losing a\n"
    "bar: says what it would change and asks (--yes: goes ahead without asking). MASTER keeps its\n"
    "whole records; EMASTER is rebuilt in MASTER's order (keeping its long names where its records\n"
    "match); a damaged XMASTER is rebuilt from what survives; an F<n>.MWD that no directory file\n"
    "lists gets an entry with the symbol F<n>; dates and counts follow the data files, which are cut\n"
    "to whole records; an entry whose data file is missing goes. Every directory file it replaces\n"
    "is kept as <name>.pelmar-old. Finishes an interrupted change first; a journal that is not this\n"
    "program's is set aside. Exit status 0 when the folder is whole, 1 otherwise.";

// The words of a database command: the folder, a symbol, a new symbol, a name, an answer.
struct SFolderArgs {
    std::string strDir;
    std::string strSymbol;
    std::string strNewSymbol;
    std::string strName;
    bool bYes = false;
    bool bNameGiven = false;
};

// One database command's declaration: its name, what it says of itself, and which words it
// takes beside the folder.
struct SFolderCommand {
    const char* pszName;
    const char* pszDescription;
    bool bSymbol;
    bool bNewSymbol;
};
constexpr SFolderCommand kFolderCommands[] = {
    {"list", kListDescription, false, false},    {"dump", kDumpDescription, true, false},
    {"check", kCheckDescription, false, false},  {"delete", kDeleteDescription, true, false},
    {"rename", kRenameDescription, true, true},  {"repair", kRepairDescription, false, false},
};

const SFolderCommand& FolderCommand(std::string_view name) {
    for (const SFolderCommand& command : kFolderCommands) {
        if (name == command.pszName) {
            return command;
        }
    }
    return kFolderCommands[0];
}

void Declare(CLI::App& app, const SFolderCommand& command, SFolderArgs& words) {
    SetUpCommand(app, command.pszName, command.pszDescription);
    app.add_option("DIR", words.strDir, "the database folder")->required();
    if (command.bSymbol) {
        app.add_option("SYMBOL", words.strSymbol, "the security's symbol, in any case")->required();
    }
    if (command.bNewSymbol) {
        app.add_option("NEWSYMBOL", words.strNewSymbol, "its new symbol, at most 14 characters")->required();
        app.add_option("--name", words.strName, "a new name, at most 44 characters")->option_text("NAME");
    }
    if (std::string_view(command.pszName) == "repair") {
        app.add_flag("-y,--yes", words.bYes, "go ahead without asking");
    }
}

// The words of a database command; nullopt when it is to run, else its exit status.
std::optional<int> ParseFolderCommand(const char* pszCommand, const Arguments& args, SFolderArgs& words,
                                      std::ostream& out, std::ostream& err) {
    CLI::App app;
    Declare(app, FolderCommand(pszCommand), words);
    const auto status = ParseCommand(app, args, out, err);
    // What was given is kept here: the options die with the parser.
    const CLI::Option* pName = app.get_option_no_throw("--name");
    words.bNameGiven = !status && pName != nullptr && pName->count() > 0;
    return status;
}

} // namespace

std::string FolderCommandHelp(const std::string& command) {
    CLI::App app;
    SFolderArgs words;
    Declare(app, FolderCommand(command), words);
    return app.help();
}

namespace {

std::string DateText(std::int32_t nDateValue) {
    return nDateValue <= 0 ? "-" : DateValueText(nDateValue);
}

std::string NumberText(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

// Directory text fit for one column: no tab or control byte.
std::string ColumnText(const std::string& text) {
    std::string shown = Windows1252ToUtf8(text);
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20) {
            c = '?';
        }
    }
    return shown.empty() ? "-" : shown;
}

// The database of dir read without the lock; nullptr (told on err) when it cannot be read.
std::unique_ptr<CDatabase> ReadDatabase(const std::string& dir, CMessageBox& messages, const char* pszCommand,
                                        std::ostream& err) {
    auto pDatabase = std::make_unique<CDatabase>(GetSystemFileSystem(), messages, Utf8Path(dir));
    std::string strError;
    if (!pDatabase->Read(strError)) {
        err << "pelmar-cli " << pszCommand << ": " << strError << "\n";
        return nullptr;
    }
    return pDatabase;
}

// Symbols are stored upper-cased: ünï€ is found as ÜNÏ€.
std::optional<SSecurity> FindBySymbol(const CDatabase& database, const std::string& symbol) {
    const auto stored = Utf8ToWindows1252(symbol);
    if (!stored) {
        return std::nullopt;
    }
    if (auto found = database.FindSecurity(*stored)) {
        return found;
    }
    return database.FindSecurity(UpperWindows1252(*stored));
}

std::string NoDatabaseText(const std::string& dir) {
    return dir + " holds no MetaStock database (no MASTER, EMASTER or XMASTER)";
}

} // namespace

int RunList(const Arguments& args, std::ostream& out, std::ostream& err) {
    SFolderArgs words;
    if (const auto status = ParseFolderCommand("list", args, words, out, err)) {
        return *status;
    }
    CStreamMessageBox messages(err);
    auto pDatabase = ReadDatabase(words.strDir, messages, "list", err);
    if (!pDatabase) {
        return 1;
    }
    // What a pending change left is no damage: the next change or a repair finishes it.
    std::vector<std::string> problems =
        pDatabase->InterruptedChange() ? std::vector<std::string>{pDatabase->PendingChange()} : pDatabase->Damage();
    if (!pDatabase->HasMaster() && !pDatabase->HasEmaster() && !pDatabase->HasXmaster()) {
        problems.push_back(NoDatabaseText(words.strDir));
    }
    out << "File\tSymbol\tName\tFields\tPeriod\tFirst\tLast\tBars\tDataFile\n";
    for (const SSecurity& security : pDatabase->Securities()) {
        std::string strPeriod(1, security.cPeriodicity);
        if (security.cPeriodicity == 'I') {
            strPeriod += std::to_string(security.nInterval);
        }
        std::string strError;
        const auto nBars = pDatabase->BarCount(security, strError);
        if (!nBars) {
            problems.push_back(strError);
        }
        out << security.nFileNumber << '\t' << ColumnText(security.strSymbol) << '\t'
            << ColumnText(security.strName) << '\t' << security.nFieldCount << '\t' << ColumnText(strPeriod) << '\t'
            << DateText(security.nFirstDate) << '\t' << DateText(security.nLastDate) << '\t'
            << (nBars ? std::to_string(*nBars) : std::string("-")) << '\t'
            << ColumnText(security.strDataFile) << '\n';
    }
    for (const std::string& problem : problems) {
        err << "pelmar-cli list: " << problem << '\n';
    }
    return problems.empty() ? 0 : 1;
}

int RunDump(const Arguments& args, std::ostream& out, std::ostream& err) {
    SFolderArgs words;
    if (const auto status = ParseFolderCommand("dump", args, words, out, err)) {
        return *status;
    }
    CStreamMessageBox messages(err);
    auto pDatabase = ReadDatabase(words.strDir, messages, "dump", err);
    if (!pDatabase) {
        return 1;
    }
    for (const std::string& problem : pDatabase->Damage()) {
        err << "pelmar-cli dump: " << problem << '\n';
    }
    const auto security = FindBySymbol(*pDatabase, words.strSymbol);
    if (!security) {
        err << "pelmar-cli dump: " << words.strDir << " holds no security with the symbol \"" << words.strSymbol
            << "\"\n";
        return 1;
    }
    std::string strError;
    const auto bars = pDatabase->ReadBars(*security, strError);
    if (!bars) {
        err << "pelmar-cli dump: " << strError << '\n';
        return 1;
    }
    for (const std::string& warning : bars->warnings) {
        err << "pelmar-cli dump: warning: " << warning << '\n';
    }

    static constexpr const char* kColumnNames[kFieldCount + 1] = {
        "Date", "Open", "High", "Low", "Close", "Volume", "OpenInterest", "Time"};
    for (std::size_t f = 0; f < bars->fields.size(); ++f) {
        out << (f ? "," : "") << kColumnNames[bars->fields[f]];
    }
    out << '\n';
    std::string line;
    for (const SBarValues& bar : bars->bars) {
        line.clear();
        for (std::size_t f = 0; f < bars->fields.size(); ++f) {
            const int field = bars->fields[f];
            line += f ? "," : "";
            if (field == kFieldDate) {
                line += DateText(bar.nDate);
            } else if (field == kFieldTime) {
                char text[16];
                std::snprintf(text, sizeof text, "%06d", static_cast<int>(bar.nTime));
                line += text;
            } else {
                line += NumberText(bar.values[static_cast<std::size_t>(field)]);
            }
        }
        line += '\n';
        out << line;
    }
    return pDatabase->Damage().empty() ? 0 : 1;
}

int RunCheck(const Arguments& args, std::ostream& out, std::ostream& err) {
    SFolderArgs words;
    if (const auto status = ParseFolderCommand("check", args, words, out, err)) {
        return *status;
    }
    CStreamMessageBox messages(err);
    auto pDatabase = ReadDatabase(words.strDir, messages, "check", err);
    if (!pDatabase) {
        return 1;
    }
    std::vector<std::string> problems = pDatabase->Check();
    if (problems.empty() && !pDatabase->HasMaster() && !pDatabase->HasEmaster() && !pDatabase->HasXmaster()) {
        problems.push_back(NoDatabaseText(words.strDir));
    }
    for (const std::string& problem : problems) {
        out << problem << '\n';
    }
    if (problems.empty()) {
        // A trader who asks wants to hear that all is well, not silence.
        const std::size_t nSecurities = pDatabase->Securities().size();
        out << "No problems found in " << words.strDir << ": " << nSecurities
            << (nSecurities == 1 ? " security.\n" : " securities.\n");
    }
    return problems.empty() ? 0 : 1;
}

namespace {

// Locks dir, finds symbol and hands both to change; commits what change staged.
template <typename FChange>
int ChangeSecurity(const char* pszCommand, const std::string& dir, const std::string& symbol, std::ostream& out,
                   std::ostream& err, FChange change) {
    CStreamMessageBox messages(err);
    CDatabase database(GetSystemFileSystem(), messages, Utf8Path(dir));
    std::string strError;
    if (!database.LockAndRead(strError)) {
        err << "pelmar-cli " << pszCommand << ": " << strError << "\n";
        return 1;
    }
    if (!database.RefusingDamage().empty()) {
        err << "pelmar-cli " << pszCommand << ": the database in " << dir << " is damaged; nothing was changed:\n";
        for (const std::string& line : database.RefusingDamage()) {
            err << line << "\n";
        }
        err << "pelmar-cli repair makes it whole.\n";
        return 1;
    }
    const auto security = FindBySymbol(database, symbol);
    if (!security) {
        err << "pelmar-cli " << pszCommand << ": " << dir << " holds no security with the symbol \"" << symbol
            << "\"\n";
        return 1;
    }
    if (!change(database, *security, strError) || !database.Commit(strError)) {
        err << "pelmar-cli " << pszCommand << ": " << strError << "\n";
        return 1;
    }
    for (const std::string& warning : database.Warnings()) {
        err << "pelmar-cli " << pszCommand << ": warning: " << warning << "\n";
    }
    out << "Done.\n";
    return 0;
}

} // namespace

int RunDelete(const Arguments& args, std::ostream& out, std::ostream& err) {
    SFolderArgs words;
    if (const auto status = ParseFolderCommand("delete", args, words, out, err)) {
        return *status;
    }
    return ChangeSecurity("delete", words.strDir, words.strSymbol, out, err,
                          [](CDatabase& database, const SSecurity& security, std::string& strError) {
                              return database.DeleteSecurity(security, strError);
                          });
}

int RunRename(const Arguments& args, std::ostream& out, std::ostream& err) {
    SFolderArgs words;
    if (const auto status = ParseFolderCommand("rename", args, words, out, err)) {
        return *status;
    }
    const std::optional<std::string> name = words.bNameGiven ? std::optional(words.strName) : std::nullopt;
    std::string strProblem;
    const auto symbol = CleanSymbol(words.strNewSymbol, strProblem);
    if (!symbol) {
        err << "pelmar-cli rename: " << strProblem << "\n";
        return 2;
    }
    std::optional<std::string> storedName;
    if (name) {
        storedName = Utf8ToWindows1252(*name);
        if (!storedName || storedName->size() > kMaxNameChars) {
            err << "pelmar-cli rename: the name must have at most 44 characters of the Windows-1252 character set\n";
            return 2;
        }
    }
    const std::string storedSymbol = Utf8ToWindows1252(*symbol).value_or(std::string());
    return ChangeSecurity("rename", words.strDir, words.strSymbol, out, err,
                          [&](CDatabase& database, const SSecurity& security, std::string& strError) {
                              if (storedName && storedName->size() > 16 && !database.HasEmaster() &&
                                  security.directory == EDirectoryFile::Master) {
                                  err << "pelmar-cli rename: only the first 16 characters of the name were kept: "
                                         "this folder has no EMASTER.\n";
                              }
                              return database.RenameSecurity(security, storedSymbol, storedName, strError);
                          });
}

int RunRepairWith(const Arguments& args, std::istream& in, std::ostream& out, std::ostream& err) {
    SFolderArgs words;
    if (const auto status = ParseFolderCommand("repair", args, words, out, err)) {
        return *status;
    }
    const std::string& strDir = words.strDir;
    CStreamMessageBox messages(err);
    CFolderRepair repair(GetSystemFileSystem(), messages, Utf8Path(strDir));
    std::string strError;
    if (!repair.Plan(strError)) {
        err << "pelmar-cli repair: " << strError << "\n";
        return 1;
    }
    if (repair.Changes().empty()) {
        out << strDir << " needs no repair.\n";
        return 0;
    }
    out << "The repair of " << strDir << " changes:\n";
    for (const std::string& line : repair.Changes()) {
        out << "  " << line << "\n";
    }
    if (!words.bYes) {
        out << "Repair it? [y/N] " << std::flush;
        std::string answer;
        if (!std::getline(in, answer) || (answer != "y" && answer != "Y" && answer != "yes")) {
            out << "Nothing was changed.\n";
            return 1;
        }
    }
    if (!repair.Apply(strError)) {
        err << "pelmar-cli repair: " << strError << "\n";
        return 1;
    }
    for (const std::string& warning : repair.Warnings()) {
        err << "pelmar-cli repair: warning: " << warning << "\n";
    }
    out << "Repaired; every directory file replaced is kept as <name>.pelmar-old.\n";
    return 0;
}

int RunRepair(const Arguments& args, std::ostream& out, std::ostream& err) {
    return RunRepairWith(args, std::cin, out, err);
}
