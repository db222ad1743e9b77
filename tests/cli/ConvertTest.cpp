// Conversions from the command line: the bytes good files give, the runs that must fail and
// leave every file as it was, batches of files, and new bars for existing securities.
#include "tests/cli/CliTestSupport.h"

namespace {

const char kHarbor[] = "examples/harbor-mills.csv";
const char kCopperline[] = "examples/copperline-newest-first.csv";

struct SGoldenRun {
    std::string strInput; // below the source folder
    Arguments args;
};

struct SGoldenCase {
    const char* pszName;
    std::vector<SGoldenRun> runs;
    const char* pszExpected; // folder of tests/cli/data/expected
};

class GoldenBytes : public CCliTest, public ::testing::WithParamInterface<SGoldenCase> {};

// Whole databases written by good files, compared byte for byte with the databases the program
// has always written (EMASTER aside, new with this version).
TEST_P(GoldenBytes, AreTheBytesTheProgramHasAlwaysWritten) {
    for (const SGoldenRun& run : GetParam().runs) {
        Arguments args{SourceFile(run.strInput), "--out", DbText()};
        args.insert(args.end(), run.args.begin(), run.args.end());
        const SCliResult result = RunCli("convert", args);
        ASSERT_EQ(result.nStatus, 0) << result.strErr;
        EXPECT_NE(result.strOut.find("Conversion completed successfully!"), std::string::npos);
    }
    const FolderFiles expected = Snapshot(SourceFile("tests/cli/data/expected/") + GetParam().pszExpected);
    FolderFiles written = Snapshot(Db());
    written.erase("MASTER.BAK");
    EXPECT_EQ(written, expected);
    EXPECT_EQ(RunCli("check", {DbText()}).nStatus, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, GoldenBytes,
    ::testing::Values(
        SGoldenCase{"TwoSecuritiesOneReversed",
                    {{kHarbor, {"--symbol", "HBML", "--name", "Harbor Mills", "--new-master", "--date-format",
                                "MM_DD_CCYY", "--no-oi"}},
                     {kCopperline, {"--symbol", "cpln", "--name", "Copperline Inc", "--date-format", "CCYYMMDD",
                                    "--no-oi", "--reverse", "--skip-rows", "1"}}},
                    "ab"},
        SGoldenCase{"TabDateAndCloseOnly",
                    {{"tests/cli/data/tab-yymmdd.txt",
                      {"--symbol", "ACME", "--new-master", "--delimiter", "tab", "--date-format", "YYMMDD",
                       "--close-col", "3", "--no-open", "--no-high", "--no-low", "--no-volume", "--no-oi"}}},
                    "c"},
        SGoldenCase{"BlanksAndCrLf",
                    {{"tests/cli/data/space-ddmmyy.txt",
                      {"--symbol", "SPC", "--name", "Space Co", "--new-master", "--delimiter", "space",
                       "--date-format", "DD_MM_YY", "--no-oi"}}},
                    "d"}),
    [](const auto& info) { return info.param.pszName; });

struct SFailingRun {
    const char* pszName;
    std::string strText; // the input file
    Arguments args;      // after INPUT --out DB
    int nStatus;
    const char* pszWord; // a word of the reason on stderr
};

class FailingRuns : public CCliTest, public ::testing::WithParamInterface<SFailingRun> {};

// Each failing run says why and leaves the database folder and the input exactly as they were.
TEST_P(FailingRuns, SayWhyAndChangeNothing) {
    ASSERT_EQ(RunCli("convert", {SourceFile(kHarbor), "--out", DbText(), "--symbol", "HBML", "--new-master",
                                 "--date-format", "MM_DD_CCYY", "--no-oi"})
                  .nStatus,
              0);
    const std::string input = Input("prices.csv", GetParam().strText);
    const FolderFiles before = Snapshot(Db());
    Arguments args{input, "--out", DbText()};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    const SCliResult result = RunCli("convert", args);
    EXPECT_EQ(result.nStatus, GetParam().nStatus);
    EXPECT_NE(result.strErr.find(GetParam().pszWord), std::string::npos) << result.strErr;
    if (GetParam().nStatus == 1) {
        EXPECT_NE(result.strOut.find("Conversion failed."), std::string::npos);
    }
    EXPECT_EQ(Snapshot(Db()), before);
    EXPECT_EQ(ReadFile(input), GetParam().strText);
    EXPECT_EQ(ListDirectory(m_dir.Path()), (std::vector<std::string>{"db", "prices.csv"}));
}

const Arguments kUse{"--symbol", "NEW", "--date-format", "MM_DD_CCYY", "--no-oi"};

Arguments With(Arguments args, const Arguments& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, FailingRuns,
    ::testing::Values(
        SFailingRun{"BadDate", "01/03/2023,1,2,0.5,1.5,10\n02/30/2023,1,2,0.5,1.5,10\n", kUse, 1, "line 2"},
        SFailingRun{"HeaderNotSkipped", "Date,Open,High,Low,Close,Volume\n01/03/2023,1,2,0.5,1.5,10\n", kUse, 1,
                    "Set --skip-rows"},
        SFailingRun{"ShortLine", "01/03/2023,1,2,0.5,1.5,10\n01/04/2023,1,2\n", kUse, 1, "line 2"},
        SFailingRun{"NotANumber", "01/03/2023,1,2,0.5,1.5,N/A\n", kUse, 1, "\"N/A\" in the Volume column (6)"},
        SFailingRun{"EmptyField", "01/03/2023,1,,0.5,1.5,10\n", kUse, 1, "High column (3) is empty"},
        SFailingRun{"Utf16", std::string("\xFF\xFE" "0\0001", 5), kUse, 1, "not plain text"},
        SFailingRun{"NewestFirstWithoutReverse",
                    "01/05/2023,1,2,0.5,1.5,10\n01/04/2023,1,2,0.5,1.5,10\n01/03/2023,1,2,0.5,1.5,10\n", kUse, 1,
                    "Set --reverse"},
        SFailingRun{"WrongCentury", "01/03/23,1,2,0.5,1.5,10\n", kUse, 1, "the year has 2 digits"},
        SFailingRun{"Empty", "", kUse, 1, "empty"},
        SFailingRun{"DuplicateSymbol", "01/03/2023,1,2,0.5,1.5,10\n",
                    {"--symbol", "hbml", "--date-format", "MM_DD_CCYY", "--no-oi"}, 1, "Duplicate Symbol"},
        SFailingRun{"NewMasterWhereOneIs", "01/03/2023,1,2,0.5,1.5,10\n", With(kUse, {"--new-master"}), 1,
                    "already exists"},
        SFailingRun{"UpdateOfMissingSecurity", "01/03/2023,1,2,0.5,1.5,10\n", With(kUse, {"--update"}), 1,
                    "is not in"},
        SFailingRun{"SymbolTooLong", "01/03/2023,1,2,0.5,1.5,10\n",
                    {"--symbol", "ABCDEFGHIJKLMNO", "--date-format", "MM_DD_CCYY"}, 2, "at most 14"},
        SFailingRun{"DecimalCommaWithComma", "01/03/2023,1,2,0.5,1.5,10\n", With(kUse, {"--decimal-comma"}), 2,
                    "--decimal-comma"}),
    [](const auto& info) { return info.param.pszName; });

// The price file that is reversed is read, never written, and the same bars come out as from
// the file in date order.
TEST_F(CCliTest, ReversalLeavesTheInputAlone) {
    const std::string text = ReadFile(SourceFile(kCopperline));
    const std::string input = Input("copperline.csv", text);
    const SCliResult result = RunCli("convert", {input, "--out", DbText(), "--symbol", "C", "--new-master",
                                                 "--date-format", "CCYYMMDD", "--reverse", "--skip-rows", "1",
                                                 "--no-oi"});
    ASSERT_EQ(result.nStatus, 0) << result.strErr;
    EXPECT_EQ(ReadFile(input), text);
    EXPECT_EQ(ListDirectory(m_dir.Path()), (std::vector<std::string>{"copperline.csv", "db"}));
    EXPECT_NE(result.strOut.find("C: 80 bars, 2023-01-03 to 2023-04-24, file number 1 (F1.DAT)"), std::string::npos)
        << result.strOut;
}

std::string Bars(const std::vector<std::string>& dates, double fClose = 10) {
    std::string text;
    for (const std::string& date : dates) {
        text += date + ",9,11,8," + std::to_string(fClose) + ",100\n";
    }
    return text;
}

// Several files: each its own security named after the file, a bad file reported and left out
// while the good ones are added; the run fails because one file failed.
TEST_F(CCliTest, BatchAddsTheGoodFilesAndReportsTheBad) {
    const std::vector<std::string> files{
        Input("ibm.us.csv", Bars({"2023-01-03", "2023-01-04"})),
        Input("brk b.csv", Bars({"2023-01-03"})),
        Input("société générale.csv", Bars({"2023-01-03"})),
        Input("bad.csv", Bars({"2023-01-03"}) + "2023-01-04,9,x,8,10,100\n"),
        Input("IBM.US.txt", Bars({"2023-01-05"})),
        Input("multi.csv", "A,2023-01-03,1,2,0.5,1.5\nB,2023-01-03,1,2,0.5,1.5\nA,2023-01-04,1,2,0.5,1.5\n"),
    };
    Arguments args(files.begin(), files.end() - 1);
    args.insert(args.end(), {"--out", DbText(), "--new-master", "--date-format", "CCYY_MM_DD", "--no-oi"});
    const SCliResult batch = RunCli("convert", args);
    EXPECT_EQ(batch.nStatus, 1);
    EXPECT_NE(batch.strErr.find("bad.csv:"), std::string::npos) << batch.strErr;
    EXPECT_NE(batch.strErr.find("line 2"), std::string::npos);
    EXPECT_NE(batch.strErr.find("IBM.US.txt:"), std::string::npos); // the same symbol as ibm.us.csv
    EXPECT_NE(batch.strOut.find("3 files converted, 2 failed, 5 in all."), std::string::npos) << batch.strOut;

    const SCliResult multi = RunCli("convert", {files.back(), "--out", DbText(), "--symbol-col", "1", "--date-col",
                                                "2", "--open-col", "3", "--high-col", "4", "--low-col", "5",
                                                "--close-col", "6", "--no-volume", "--no-oi", "--date-format",
                                                "CCYY_MM_DD"});
    EXPECT_EQ(multi.nStatus, 0) << multi.strErr;
    const std::string list = RunCli("list", {DbText()}).strOut;
    for (const char* pszRow : {"1\tIBM.US\tIBM.US\t6\tD\t2023-01-03\t2023-01-04\t2\tF1.DAT",
                               "2\tBRK\tBRK\t6\tD\t2023-01-03\t2023-01-03\t1\tF2.DAT", "3\tSOCIÉTÉ\tSOCIÉTÉ",
                               "4\tA\tA\t5\tD\t2023-01-03\t2023-01-04\t2\tF4.DAT", "5\tB\tB\t5\tD"}) {
        EXPECT_NE(list.find(pszRow), std::string::npos) << pszRow << "\n" << list;
    }
    EXPECT_EQ(RunCli("check", {DbText()}).nStatus, 0);
}

// Two files of new bars for one security in one batch: the second is compared with the bars
// the first one adds, so no day is stored twice.
TEST_F(CCliTest, BatchOfNewBarsForOneSecurityStoresEachDayOnce) {
    const std::string first = Input("first.csv", Bars({"2023-01-03"}));
    ASSERT_EQ(RunCli("convert", {first, "--out", DbText(), "--symbol", "IBM", "--new-master", "--date-format",
                                 "CCYY_MM_DD", "--no-oi"})
                  .nStatus,
              0);
    std::filesystem::create_directories(m_dir / "a");
    std::filesystem::create_directories(m_dir / "b");
    const SCliResult result =
        RunCli("convert", {Input("a/IBM.csv", Bars({"2023-01-04", "2023-01-05"})),
                           Input("b/IBM.csv", Bars({"2023-01-05", "2023-01-06"})), "--out", DbText(), "--update",
                           "--date-format", "CCYY_MM_DD", "--no-oi"});
    EXPECT_EQ(result.nStatus, 0) << result.strErr;
    const std::string dump = RunCli("dump", {DbText(), "IBM"}).strOut;
    EXPECT_EQ(dump, "Date,Open,High,Low,Close,Volume\n2023-01-03,9,11,8,10,100\n2023-01-04,9,11,8,10,100\n"
                    "2023-01-05,9,11,8,10,100\n2023-01-06,9,11,8,10,100\n");
    EXPECT_EQ(RunCli("check", {DbText()}).nStatus, 0);
}

struct SUpdateCase {
    const char* pszName;
    std::string strText;
    Arguments args;
    int nStatus;
    const char* pszExpected; // in stdout (success) or stderr (failure)
    const char* pszLastRow;  // the last line of the dump after the run
};

class Updates : public CCliTest, public ::testing::WithParamInterface<SUpdateCase> {};

// New bars for a security the database holds: appended after its last bar; bars it holds must
// be equal; the fields must be the same.
TEST_P(Updates, AppendOnlyWhatIsNew) {
    const std::string first = Input("first.csv", Bars({"2023-01-03", "2023-01-04"}));
    ASSERT_EQ(RunCli("convert", {first, "--out", DbText(), "--symbol", "IBM", "--new-master", "--date-format",
                                 "CCYY_MM_DD", "--no-oi"})
                  .nStatus,
              0);
    const FolderFiles before = Snapshot(Db());
    Arguments args{Input("next.csv", GetParam().strText), "--out", DbText(), "--symbol", "IBM", "--update",
                   "--date-format", "CCYY_MM_DD"};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    const SCliResult result = RunCli("convert", args);
    EXPECT_EQ(result.nStatus, GetParam().nStatus);
    EXPECT_NE((result.nStatus == 0 ? result.strOut : result.strErr).find(GetParam().pszExpected), std::string::npos)
        << result.strOut << result.strErr;
    if (result.nStatus != 0) {
        EXPECT_EQ(Snapshot(Db()), before);
    }
    const std::string dump = RunCli("dump", {DbText(), "IBM"}).strOut;
    EXPECT_EQ(dump.substr(dump.rfind('\n', dump.size() - 2) + 1), std::string(GetParam().pszLastRow) + "\n");
    EXPECT_EQ(RunCli("check", {DbText()}).nStatus, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Updates,
    ::testing::Values(
        SUpdateCase{"NewBarsOnly", Bars({"2023-01-05", "2023-01-06"}), {"--no-oi"}, 0,
                    "IBM: 2 new bars, 2023-01-05 to 2023-01-06", "2023-01-06,9,11,8,10,100"},
        SUpdateCase{"EqualOverlap", Bars({"2023-01-04", "2023-01-05"}), {"--no-oi"}, 0,
                    "1 bar already held was skipped", "2023-01-05,9,11,8,10,100"},
        SUpdateCase{"Conflict", Bars({"2023-01-04"}, 12) + Bars({"2023-01-05"}), {"--no-oi"}, 1,
                    "line 1: the bar of 2023-01-04 conflicts: Close is 12", "2023-01-04,9,11,8,10,100"},
        SUpdateCase{"ConflictSkipped", Bars({"2023-01-04"}, 12) + Bars({"2023-01-05"}),
                    {"--no-oi", "--skip-bad-lines"}, 0, "Bad lines skipped: 1", "2023-01-05,9,11,8,10,100"},
        SUpdateCase{"OtherFields", "2023-01-05,10\n", {"--close-col", "2", "--no-open", "--no-high", "--no-low",
                                                       "--no-volume", "--no-oi"},
                    1, "The file has: Date, Close\nThe security has: Date, Open, High, Low, Close, Volume",
                    "2023-01-04,9,11,8,10,100"}),
    [](const auto& info) { return info.param.pszName; });

} // namespace

namespace {

struct SDetectCase {
    const char* pszName;
    std::string strText;
    Arguments args; // "detect" alone, or convert options after --detect
    int nStatus;
    const char* pszExpected; // in stdout, or stderr when the status is not 0
};

class Detection : public CCliTest, public ::testing::WithParamInterface<SDetectCase> {};

const char kAmbiguous[] = "Date;Open;High;Low;Close\n01.02.2023;1,5;2;1;1,5\n02.02.2023;1,5;2;1;1,6\n"
                          "03.02.2023;1,5;2;1;1,7\n";

// detect says what it found and whether it is sure; convert --detect never stores a guess that
// a choice of the user could have settled.
TEST_P(Detection, TellsWhatItIsUnsureOf) {
    const std::string input = Input("prices.csv", GetParam().strText);
    const bool bDetect = GetParam().args.empty();
    Arguments args{input};
    if (!bDetect) {
        args.insert(args.end(), {"--out", DbText(), "--symbol", "X", "--new-master", "--detect"});
        args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    }
    const SCliResult result = RunCli(bDetect ? "detect" : "convert", args);
    EXPECT_EQ(result.nStatus, GetParam().nStatus);
    EXPECT_NE((result.nStatus == 0 ? result.strOut : result.strErr).find(GetParam().pszExpected), std::string::npos)
        << result.strOut << result.strErr;
}

INSTANTIATE_TEST_SUITE_P(
    Files, Detection,
    ::testing::Values(
        SDetectCase{"Certain", "Date,Open,High,Low,Close,Volume\n2023-01-03,1,2,0.5,1.5,10\n2023-01-04,1,2,0.5,1.5,20\n",
                    {}, 0,
                    "--delimiter comma --date-format CCYY_MM_DD --skip-rows 1 --date-col 1 --open-col 2 "
                    "--high-col 3 --low-col 4 --close-col 5 --volume-col 6 --no-oi\n"},
        SDetectCase{"DayOrMonth", kAmbiguous, {}, 1, "12"},
        SDetectCase{"NotText", std::string("\x00\x01\x02", 3), {}, 1, "not plain text"},
        SDetectCase{"GuessRefused", kAmbiguous, {"--no-volume"}, 2, "could not be told for certain"},
        SDetectCase{"GuessSettled", kAmbiguous, {"--date-format", "DD_MM_CCYY"}, 0,
                    "X: 3 bars, 2023-02-01 to 2023-02-03"}),
    [](const auto& info) { return info.param.pszName; });

} // namespace

namespace {

// A day's downloads hold known tickers beside new ones: each known one gets its new bars, each
// new one becomes a security, in one commit; the summary counts both.
TEST_F(CCliTest, AddOrUpdateTakesKnownAndNewSymbolsAlike) {
    ASSERT_EQ(RunCli("convert", {Input("IBM.csv", Bars({"2023-01-03"})), "--out", DbText(), "--symbol-from-file-name",
                                 "--date-format", "CCYY_MM_DD", "--no-oi"})
                  .nStatus,
              0);
    std::filesystem::create_directories(m_dir / "day");
    const SCliResult result =
        RunCli("convert", {Input("day/IBM.csv", Bars({"2023-01-03", "2023-01-04"})),
                           Input("day/MSFT.csv", Bars({"2023-01-04"})), "--out", DbText(), "--add-or-update",
                           "--date-format", "CCYY_MM_DD", "--no-oi"});
    EXPECT_EQ(result.nStatus, 0) << result.strErr;
    EXPECT_NE(result.strOut.find("IBM: 1 new bar, 2023-01-04 to 2023-01-04; 1 bar already held was skipped"),
              std::string::npos)
        << result.strOut;
    EXPECT_NE(result.strOut.find("MSFT \"MSFT\": 1 bar, 2023-01-04 to 2023-01-04, file number 2 (F2.DAT)"),
              std::string::npos);
    EXPECT_NE(result.strOut.find("2 files converted (1 security added, 1 updated), 0 failed, 2 in all."),
              std::string::npos);
    EXPECT_EQ(RunCli("dump", {DbText(), "IBM"}).strOut,
              "Date,Open,High,Low,Close,Volume\n2023-01-03,9,11,8,10,100\n2023-01-04,9,11,8,10,100\n");
    // One file, a symbol of its own: new, then known.
    const std::string one = Input("one.csv", Bars({"2023-01-05"}));
    for (const char* pszExpected : {"NEW: 1 bar, 2023-01-05", "NEW: 0 new bars; 1 bar already held was skipped"}) {
        const SCliResult single =
            RunCli("convert", {one, "--out", DbText(), "--symbol", "NEW", "--add-or-update", "--date-format",
                               "CCYY_MM_DD", "--no-oi"});
        EXPECT_EQ(single.nStatus, 0) << single.strErr;
        EXPECT_NE(single.strOut.find(pszExpected), std::string::npos) << single.strOut;
    }
    EXPECT_EQ(RunCli("check", {DbText()}).nStatus, 0);
}

} // namespace
