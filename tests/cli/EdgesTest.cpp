// The edges where a converter is trusted or not, end to end: files whose layout is easy to get
// wrong are converted exactly or refused naming what settles them; what detect prints converts
// as it says; every line left out is named; the exit status follows one rule per kind of refusal.
#include "tests/cli/CliTestSupport.h"

namespace {

const char kEuropean[] = "Datum;Er\xC3\xB6" "ffnung;Hoch;Tief;Schluss;Volumen\n"
                         "02.01.2020;88,435;88,971;85,548;85,661;918691\n"
                         "03.01.2020;85,661;86,100;84,900;85,950;712004\n"
                         "06.01.2020;85,950;87,012;85,500;86,800;650333\n";

struct SEdgeCase {
    const char* pszName;
    std::string strText;
    Arguments args;          // after FILE --out DB
    int nStatus;
    const char* pszSaid;     // in stderr (or stdout when the status is 0)
    const char* pszDump;     // the dump of X after the run; nullptr: no security X
};

class Edges : public CCliTest, public ::testing::WithParamInterface<SEdgeCase> {};

TEST_P(Edges, ConvertExactlyOrRefuseNamingWhy) {
    const SEdgeCase& c = GetParam();
    const std::string input = Input("prices.csv", c.strText);
    Arguments args{input, "--out", DbText()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const SCliResult result = RunCli("convert", args);
    EXPECT_EQ(result.nStatus, c.nStatus) << result.strErr;
    const std::string& said = c.nStatus == 0 ? result.strOut : result.strErr;
    EXPECT_NE(said.find(c.pszSaid), std::string::npos) << result.strOut << result.strErr;
    const SCliResult dump = RunCli("dump", {DbText(), "X"});
    if (c.pszDump) {
        EXPECT_EQ(dump.strOut, c.pszDump);
    } else {
        EXPECT_NE(dump.nStatus, 0);
        EXPECT_EQ(ListDirectory(Db()), std::vector<std::string>());
    }
    EXPECT_EQ(ReadFile(input), c.strText);
}

const Arguments kDetect{"--symbol", "X", "--detect"};

Arguments With(Arguments args, const Arguments& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

INSTANTIATE_TEST_SUITE_P(
    Files, Edges,
    ::testing::Values(
        // Days of 12 or less: the day and month must be given; the decimal comma the file tells.
        SEdgeCase{"EuropeanDayAndMonthInDoubt", kEuropean, kDetect, 2,
                  "DD/MM or MM/DD cannot be told apart; DD_MM_CCYY was chosen, as the other layout puts dates on "
                  "weekends. Settle it with --date-format.",
                  nullptr},
        SEdgeCase{"EuropeanSettled", kEuropean, With(kDetect, {"--date-format", "DD_MM_CCYY"}), 0,
                  "X: 3 bars, 2020-01-02 to 2020-01-06",
                  "Date,Open,High,Low,Close,Volume\n2020-01-02,88.435,88.971,85.548,85.661,918691\n"
                  "2020-01-03,85.661,86.1,84.9,85.95,712004\n2020-01-06,85.95,87.012,85.5,86.8,650333\n"},
        // The user's decimal comma over a detected delimiter.
        SEdgeCase{"DecimalCommaWithDetect", "03.01.2023;1,5\n04.01.2023;1,6\n05.01.2023;1,7\n",
                  With(kDetect, {"--decimal-comma", "--date-format", "DD_MM_CCYY"}), 0, "X: 3 bars",
                  "Date,Close\n2023-01-03,1.5\n2023-01-04,1.6\n2023-01-05,1.7\n"},
        SEdgeCase{"DecimalPointSettlesTheMark", "2023-01-03\t1,234\n2023-01-04\t1,240\n",
                  With(kDetect, {"--decimal-point"}), 0, "X: 2 bars", "Date,Close\n2023-01-03,1234\n2023-01-04,1240\n"},
        SEdgeCase{"DecimalCommaSettlesTheMark", "2023-01-03\t1,234\n2023-01-04\t1,240\n",
                  With(kDetect, {"--decimal-comma"}), 0, "X: 2 bars", "Date,Close\n2023-01-03,1.234\n2023-01-04,1.24\n"},
        SEdgeCase{"MarkInDoubt", "2023-01-03\t1,234\n2023-01-04\t1,240\n", kDetect, 2,
                  "Settle it with --decimal-point or --decimal-comma.", nullptr},
        // A mistyped first data line is the first bad line, not a second header row.
        SEdgeCase{"BadFirstDataLine", "Date,Open,High,Low,Close\n2021-02-30,1,2,0.5,1.5\n2021-03-01,1,2,0.5,1.5\n",
                  kDetect, 1, "line 2: \"2021-02-30\" in the Date column (1) is not a CCYY_MM_DD date: there is no day "
                  "30 in February 2021", nullptr},
        SEdgeCase{"BadFirstDataLineSkipped",
                  "Date,Open,High,Low,Close\n1899-12-29,1,2,0.5,1.5\n2021-03-01,1,2,0.5,1.5\n",
                  With(kDetect, {"--skip-bad-lines"}), 0, "Bad lines skipped: 1 (each is listed on stderr)",
                  "Date,Open,High,Low,Close\n2021-03-01,1,2,0.5,1.5\n"},
        // A broker's export: currency signs, the close first, newest first.
        SEdgeCase{"CurrencySigns",
                  "Date,Close/Last,Volume,Open,High,Low\n01/13/2023,$126.36,8911363,$127.13,$128.66,$125.08\n"
                  "01/12/2023,$125.07,11211750,$130.28,$130.90,$124.17\n",
                  kDetect, 0, "X: 2 bars, 2023-01-12 to 2023-01-13",
                  "Date,Open,High,Low,Close,Volume\n2023-01-12,130.28,130.9,124.17,125.07,11211750\n"
                  "2023-01-13,127.13,128.66,125.08,126.36,8911363\n"},
        SEdgeCase{"CurrencyNotGiven", "01/13/2023,$126.36\n", {"--symbol", "X", "--date-format", "MM_DD_CCYY",
                  "--close-col", "2", "--no-open", "--no-high", "--no-low", "--no-volume", "--no-oi"},
                  1, "\"$126.36\" in the Close column (2) is not a number", nullptr},
        // Daily dates with the same time of day on every line.
        SEdgeCase{"DatesWithATimeOfDay",
                  "Date,Close\n2023-01-03 00:00:00-05:00,1.5\n2023-01-04 00:00:00-05:00,1.6\n", kDetect, 0,
                  "X: 2 bars", "Date,Close\n2023-01-03,1.5\n2023-01-04,1.6\n"},
        SEdgeCase{"DatesWithAfternoonTimes", "01/03/2023 4:00 PM,1.5\n01/04/2023 4:00 PM,1.6\n01/05/2023 4:00 PM,1.7\n",
                  With(kDetect, {"--date-format", "MM_DD_CCYY"}), 0, "X: 3 bars",
                  "Date,Close\n2023-01-03,1.5\n2023-01-04,1.6\n2023-01-05,1.7\n"},
        // A volume of "0,123" in a file of decimal points is 0.123 typed with a comma: a bad line.
        SEdgeCase{"CommaInASmallNumber", "2023-01-03,1.5,\"0,123\"\n",
                  {"--symbol", "X", "--date-format", "CCYY_MM_DD", "--close-col", "2", "--volume-col", "3", "--no-open",
                   "--no-high", "--no-low", "--no-oi"},
                  1, "\"0,123\" in the Volume column (3) is not a number (the decimal mark is the point)", nullptr},
        SEdgeCase{"TwoFieldsInOneColumn", "2023-01-03,1.5\n",
                  {"--symbol", "X", "--date-format", "CCYY_MM_DD", "--close-col", "2", "--open-col", "2", "--no-high",
                   "--no-low", "--no-volume", "--no-oi"},
                  2, "Open and Close are both in column 2.", nullptr}),
    [](const auto& info) { return info.param.pszName; });

// detect prints a line of options only when it holds no guess, and what it prints converts as
// it says; a choice settled by an option is said no more.
TEST_F(CCliTest, DetectPrintsNoGuessToRun) {
    const std::string input = Input("european.csv", kEuropean);
    const SCliResult doubt = RunCli("detect", {input});
    EXPECT_EQ(doubt.nStatus, 1);
    EXPECT_EQ(doubt.strOut, "");
    EXPECT_NE(doubt.strErr.find("Settle it with --date-format."), std::string::npos) << doubt.strErr;

    const SCliResult settled = RunCli("detect", {input, "--date-format", "DD_MM_CCYY"});
    ASSERT_EQ(settled.nStatus, 0) << settled.strErr;
    EXPECT_EQ(settled.strErr.find("DD/MM"), std::string::npos) << settled.strErr;
    EXPECT_EQ(settled.strOut, "--delimiter semicolon --decimal-comma --date-format DD_MM_CCYY --skip-rows 1 --date-col 1 "
                              "--open-col 2 --high-col 3 --low-col 4 --close-col 5 --volume-col 6 --no-oi\n");
    Arguments args{input, "--out", DbText(), "--symbol", "X"};
    std::istringstream options(settled.strOut);
    for (std::string option; options >> option;) {
        args.push_back(option);
    }
    ASSERT_EQ(RunCli("convert", args).nStatus, 0);
    EXPECT_NE(RunCli("dump", {DbText(), "X"}).strOut.find("2020-01-02,88.435,88.971,85.548,85.661,918691"),
              std::string::npos);
}

// Every line left out is named on stderr with its number and reason; the summary counts them
// and says where they are.
TEST_F(CCliTest, EveryLineLeftOutIsNamed) {
    std::string text = "2023-01-02,1.5\n";
    for (int i = 0; i < 7; ++i) {
        text += "2023-01-03,N/A\n";
    }
    text += "2023-01-01,1.6\n2023-01-04,1.7\n";
    const std::string input = Input("bad.csv", text);
    const SCliResult result = RunCli("convert", {input, "--out", DbText(), "--symbol", "X", "--date-format",
                                                 "CCYY_MM_DD", "--close-col", "2", "--no-open", "--no-high",
                                                 "--no-low", "--no-volume", "--no-oi", "--skip-bad-lines"});
    ASSERT_EQ(result.nStatus, 0) << result.strErr;
    EXPECT_NE(result.strOut.find("Bad lines skipped: 8 (each is listed on stderr)"), std::string::npos);
    for (int nLine = 2; nLine <= 8; ++nLine) {
        EXPECT_NE(result.strErr.find("warning: " + input + ": line " + std::to_string(nLine) +
                                     " left out: \"N/A\" in the Close column (2) is not a number\n"),
                  std::string::npos)
            << nLine << "\n" << result.strErr;
    }
    EXPECT_NE(result.strErr.find("line 9 left out: the date 2023-01-01 is not later than 2023-01-02 of line 1"),
              std::string::npos);
}

// New bars far from the last stored close are added, and the summary says so with both values.
TEST_F(CCliTest, AnUpdateThatLooksWrongIsSaid) {
    const Arguments kClose{"--date-format", "CCYY_MM_DD", "--close-col", "2", "--no-open", "--no-high", "--no-low",
                           "--no-volume", "--no-oi"};
    ASSERT_EQ(RunCli("convert", With({Input("a.csv", "2023-01-04,335.97\n"), "--out", DbText(), "--symbol", "X"}, kClose))
                  .nStatus,
              0);
    const SCliResult jump =
        RunCli("convert", With({Input("b.csv", "2023-01-05,50.5\n"), "--out", DbText(), "--symbol", "X", "--update"}, kClose));
    EXPECT_EQ(jump.nStatus, 0);
    EXPECT_NE(jump.strOut.find("Warning: X's first new close, 50.5 on 2023-01-05, is far from its last stored close, "
                               "335.97 on 2023-01-04"),
              std::string::npos)
        << jump.strOut;
    const SCliResult step =
        RunCli("convert", With({Input("c.csv", "2023-01-06,51\n"), "--out", DbText(), "--symbol", "X", "--update"}, kClose));
    EXPECT_EQ(step.strOut.find("Warning"), std::string::npos) << step.strOut;
}

struct SStatusCase {
    const char* pszName;
    Arguments args; // {FILE} stands for a good price file, {DB} for the output folder
    int nStatus;
};

class ExitStatus : public CCliTest, public ::testing::WithParamInterface<SStatusCase> {};

// 0 success; 1 the run failed or a problem was found; 2 a usage error or a refused setting,
// nothing written.
TEST_P(ExitStatus, OneRulePerKindOfRefusal) {
    const std::string input = Input("prices.csv", "010323,1,2,0.5,1.5,10\n");
    ASSERT_EQ(RunCli("convert", {input, "--out", DbText(), "--symbol", "OLD", "--no-oi"}).nStatus, 0);
    Arguments args;
    for (const std::string& arg : GetParam().args) {
        args.push_back(arg == "{FILE}" ? input : arg == "{DB}" ? DbText() : arg);
    }
    const FolderFiles before = Snapshot(Db());
    const SCliResult result = RunCli("convert", args);
    EXPECT_EQ(result.nStatus, GetParam().nStatus) << result.strErr;
    EXPECT_FALSE(result.strErr.empty());
    EXPECT_EQ(result.strErr.find("\n\n"), std::string::npos) << "a box's text on a terminal: " << result.strErr;
    EXPECT_EQ(Snapshot(Db()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ExitStatus,
    ::testing::Values(
        SStatusCase{"UnknownOption", {"{FILE}", "--out", "{DB}", "--symbol", "A", "--colour"}, 2},
        SStatusCase{"NoOutputFolder", {"{FILE}", "--symbol", "A"}, 2},
        SStatusCase{"OutOfRange", {"{FILE}", "--out", "{DB}", "--symbol", "A", "--skip-rows", "201"}, 2},
        SStatusCase{"NotANumber", {"{FILE}", "--out", "{DB}", "--symbol", "A", "--close-col", "five"}, 2},
        SStatusCase{"TwoModes", {"{FILE}", "--out", "{DB}", "--symbol", "A", "--new-master", "--update"}, 2},
        SStatusCase{"AmbiguousDateFormat", {"{FILE}", "--out", "{DB}", "--symbol", "A", "--date-format", "MM"}, 2},
        SStatusCase{"MissingInput", {"none.csv", "--out", "{DB}", "--symbol", "A"}, 2},
        SStatusCase{"MissingFolder", {"{FILE}", "--out", "{DB}/none", "--symbol", "A"}, 2},
        SStatusCase{"SymbolTooLong", {"{FILE}", "--out", "{DB}", "--symbol", "ABCDEFGHIJKLMNO"}, 2},
        SStatusCase{"NoSymbol", {"{FILE}", "--out", "{DB}"}, 2},
        SStatusCase{"NameNotWindows1252", {"{FILE}", "--out", "{DB}", "--symbol", "A", "--name", "\xE2\x82\xBF"}, 2},
        SStatusCase{"SharedColumn", {"{FILE}", "--out", "{DB}", "--symbol", "A", "--oi-col", "2"}, 2},
        SStatusCase{"BadLines", {"{FILE}", "--out", "{DB}", "--symbol", "A"}, 1},
        SStatusCase{"SymbolTaken", {"{FILE}", "--out", "{DB}", "--symbol", "old", "--no-oi"}, 1},
        SStatusCase{"NewMasterWhereOneIs", {"{FILE}", "--out", "{DB}", "--symbol", "A", "--no-oi", "--new-master"}, 1},
        SStatusCase{"UpdateOfNone", {"{FILE}", "--out", "{DB}", "--symbol", "A", "--no-oi", "--update"}, 1}),
    [](const auto& info) { return info.param.pszName; });

} // namespace
