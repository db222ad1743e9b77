// pelmar-cli convert run as a user runs it: a separate process, its exit status and both
// streams, with its settings kept in a scratch directory.
#include "tests/cli/CliRun.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace {

class ConvertCommand : public ::testing::Test {
protected:
    ConvertCommand() {
        std::filesystem::create_directory(m_out);
        std::filesystem::create_directory(m_config);
    }

    SRun Cli(const std::string& args, const std::filesystem::path& cwd = {}) {
        return RunCli(args, m_config, m_dir.Path(), cwd);
    }
    std::string Convert(const std::string& options) {
        return "convert " + Quote(m_input.string()) + " --out " + Quote(m_out.string()) + " " + options;
    }
    std::string Store() {
        const auto path = m_config / "Veldrin Software" / "Pelmar.conf";
        return Exists(path) ? ReadFile(path) : std::string();
    }
    void ExpectRefused(const SRun& run, const std::string& message) {
        EXPECT_EQ(run.nStatus, 2);
        EXPECT_EQ(run.strOut, "");
        EXPECT_NE(run.strErr.find(message), std::string::npos) << run.strErr;
        EXPECT_TRUE(ListDirectory(m_out).empty());
        EXPECT_TRUE(ListDirectory(m_config).empty());
    }

    CTempDir m_dir;
    std::filesystem::path m_input = m_dir / "prices.csv";
    std::filesystem::path m_out = m_dir / "db";
    std::filesystem::path m_config = m_dir / "config";
};

const char kPrices[] = "01/04/99,10,11,9,10.5,1200,7\r\n01/05/99,10.5,12,10,11.75,900,8\r\n";
// The same bars in the built-in date format, MMDDYY.
const char kDefaultPrices[] = "010499,10,11,9,10.5,1200,7\r\n010599,10.5,12,10,11.75,900,8\r\n";

}  // namespace

TEST_F(ConvertCommand, ConvertsAndRecordsTheRun) {
    WriteFile(m_input, kDefaultPrices);
    const SRun run = Cli(Convert("--symbol ibm --name 'Intl Business' --new-master"));
    EXPECT_EQ(run.nStatus, 0);
    EXPECT_EQ(run.strOut, "Conversion completed successfully!\n");
    EXPECT_EQ(run.strErr, "");
    EXPECT_EQ(ListDirectory(m_out), (std::vector<std::string>{"F1.DAT", "F1.DOP", "MASTER"}));
    EXPECT_EQ(ReadFile(m_out / "MASTER").substr(53 + 36, 4), "IBM ");
    EXPECT_EQ(ReadFile(m_out / "F1.DAT").size(), 28u * 3);
    const std::string store = Store();
    EXPECT_NE(store.find("[Import]"), std::string::npos);
    EXPECT_NE(store.find("Symbol=IBM"), std::string::npos);
    EXPECT_NE(store.find("Name=Intl Business"), std::string::npos);
    EXPECT_NE(store.find("PathOut=" + m_out.string()), std::string::npos);
    EXPECT_NE(store.find("PathIn=" + m_input.string()), std::string::npos);
}

TEST_F(ConvertCommand, MessagesGoToStderrAndTheOutcomeToStdout) {
    WriteFile(m_input, kPrices);
    SRun run = Cli(Convert("--symbol IBM"));  // no MASTER there yet
    EXPECT_EQ(run.nStatus, 1);
    EXPECT_EQ(run.strErr, "Path specified does not point to a Master file\n");
    EXPECT_EQ(run.strOut, "Conversion failed.\n");

    run = Cli(Convert("--symbol IBM --new-master --date-format mmddyy"));
    EXPECT_EQ(run.nStatus, 1);
    EXPECT_EQ(run.strErr,
              "You specified a numeric-only date format\nbut a non-numeric date character was found.\n");
    EXPECT_EQ(run.strOut, "Conversion failed.\n");
}

TEST_F(ConvertCommand, RefusedSettingsWriteNothing) {
    WriteFile(m_input, kPrices);
    ExpectRefused(Cli(Convert("--new-master")), "--symbol");
    ExpectRefused(Cli(Convert("--symbol '   ' --new-master")), "You did not enter a valid symbol");
    ExpectRefused(Cli(Convert("--symbol ABCDEFGHIJKLMNOPQ --new-master")), "at most 16 characters");
    ExpectRefused(Cli(Convert("--symbol ABCDEFGHIJKLMNO'  ' --new-master")), "at most 16 characters");
    ExpectRefused(Cli(Convert("--symbol A --name 'a name that is far too long' --new-master")),
                  "at most 16 characters");
    ExpectRefused(Cli(Convert("--symbol A --skip-rows 201 --new-master")), "from 0 to 200");
    ExpectRefused(Cli(Convert("--symbol A --skip-rows x --new-master")), "--skip-rows");
    ExpectRefused(Cli(Convert("--symbol A --oi-col 21 --no-oi --new-master")), "from 1 to 20");
    ExpectRefused(Cli(Convert("--symbol A --close-col 1 --new-master")),
                  "Duplicate columns specified\nCorrect or disable");
    ExpectRefused(Cli(Convert("--symbol A --date-format YYYY --new-master")), "date format");
    ExpectRefused(Cli(Convert("--symbol A --delimiter semicolon --new-master")), "delimiter");
    ExpectRefused(Cli(Convert("--symbol '\xce\xb1' --new-master")), "Windows-1252");
    ExpectRefused(Cli(Convert("--symbol A --bogus")), "--bogus");
    ExpectRefused(Cli("convert " + Quote((m_dir / "missing.csv").string()) + " --out " + Quote(m_out.string()) +
                      " --symbol A --new-master"),
                  "Cannot read the input file");
    ExpectRefused(Cli("convert " + Quote(m_dir.Path().string()) + " --out " + Quote(m_out.string()) +
                      " --symbol A --new-master"),
                  "Cannot read the input file");
    ExpectRefused(Cli(Convert("--symbol A --out '" + std::string(251, 'd') + "' --new-master")),
                  "at most 250 characters");
}

TEST_F(ConvertCommand, BuiltInDefaultsNotTheSavedSettings) {
    std::filesystem::create_directories(m_config / "Veldrin Software");
    WriteFile(m_config / "Veldrin Software" / "Pelmar.conf",
              "[Import]\nDateCol=3\nDelimiter=1\nDateFormat=YYMMDD\nExist=1\nOIOn=0\n");
    WriteFile(m_input, kDefaultPrices);
    const SRun run = Cli(Convert("--symbol IBM --new-master"));
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(ReadFile(m_out / "F1.DAT").size(), 28u * 3);
    EXPECT_NE(Store().find("DateCol=3"), std::string::npos);  // the saved settings stay
}

TEST_F(ConvertCommand, ReversalWithHeaderRowAndRelativePaths) {
    WriteFile(m_input, "Date,Open,High,Low,Close,Volume\n19990105,10.5,12,10,11.75,900\n19990104,10,11,9,10.5,1200\n");
    const SRun run = Cli("convert prices.csv --out db --symbol REV --new-master --reverse --skip-rows 1 "
                         "--date-format ccyymmdd --no-oi --delimiter comma",
                         m_dir.Path());
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(run.strErr, "");
    EXPECT_EQ(ReadFile(m_input), "19990104,10,11,9,10.5,1200\r\n19990105,10.5,12,10,11.75,900\r\n");
    EXPECT_EQ(ReadFile(m_dir / "prices.csv.BAK"),
              "Date,Open,High,Low,Close,Volume\n19990105,10.5,12,10,11.75,900\n19990104,10,11,9,10.5,1200\n");
    EXPECT_EQ(ReadFile(m_out / "F1.DAT").size(), 24u * 3);
    EXPECT_EQ(ListDirectory(m_out), (std::vector<std::string>{"F1.DAT", "F1.DOP", "MASTER"}));
}

TEST_F(ConvertCommand, SkipRowsZeroSkipsNothing) {
    WriteFile(m_input, kDefaultPrices);
    const SRun run = Cli(Convert("--symbol IBM --new-master --skip-rows 0"));
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(ReadFile(m_out / "F1.DAT").size(), 28u * 3);
}

TEST_F(ConvertCommand, HelpNamesEveryOption) {
    const SRun run = Cli("convert --help");
    EXPECT_EQ(run.nStatus, 0);
    for (const char* pszOption : {"--out", "--symbol", "--name", "--new-master", "--delimiter", "--date-format",
                                  "--skip-rows", "--reverse", "--date-col", "--open-col", "--high-col", "--low-col",
                                  "--close-col", "--volume-col", "--oi-col", "--no-open", "--no-high", "--no-low",
                                  "--no-volume", "--no-oi"}) {
        EXPECT_NE(run.strOut.find(pszOption), std::string::npos) << pszOption;
    }
    EXPECT_NE(Cli("--help").strOut.find("convert"), std::string::npos);
}
