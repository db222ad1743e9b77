// list, dump and check on a folder as the charting software writes it (MASTER, EMASTER,
// XMASTER, an intraday security), and delete and rename read back with them.
#include "tests/cli/CliTestSupport.h"
#include "tests/metastock/DatabaseFixture.h"

namespace {

class CRealFolderTest : public CCliTest {
protected:
    void SetUp() override {
        CCliTest::SetUp();
        WriteFolder(Db(), RealFolder());
    }
};

TEST_F(CRealFolderTest, ListShowsEverySecurityOfTheThreeDirectoryFiles) {
    const SCliResult result = RunCli("list", {DbText()});
    EXPECT_EQ(result.nStatus, 0) << result.strErr;
    EXPECT_EQ(result.strOut,
              "File\tSymbol\tName\tFields\tPeriod\tFirst\tLast\tBars\tDataFile\n"
              "1\tABC\tALPHA CORP\t5\tD\t2023-01-03\t2023-01-05\t3\tF1.DAT\n"
              "2\tLNG\tLONG NAMED SECURITY HOLDINGS\t4\tD\t2023-01-03\t2023-01-04\t2\tF2.DAT\n"
              "4\tIDX\tFIVE MINUTES\t7\tI5\t2023-01-03\t2023-01-03\t2\tF4.DAT\n"
              "256\tX1\tFIRST EXTRA SECURITY NAME\t6\tD\t2023-01-03\t2023-01-04\t2\tF256.MWD\n"
              "258\tX2\tSECOND\t6\tD\t2023-01-03\t2023-01-04\t2\tF258.MWD\n");
}

struct SDumpCase {
    const char* pszName;
    const char* pszSymbol;
    const char* pszExpected;
};

class Dumps : public CRealFolderTest, public ::testing::WithParamInterface<SDumpCase> {};

// The fields come from F<n>.DOP, else from the field set of EMASTER or XMASTER: an intraday
// security has its time column, never read as the open.
TEST_P(Dumps, WriteTheFieldsTheFilesHold) {
    const SCliResult result = RunCli("dump", {DbText(), GetParam().pszSymbol});
    EXPECT_EQ(result.nStatus, 0) << result.strErr;
    EXPECT_EQ(result.strOut, GetParam().pszExpected);
}

INSTANTIATE_TEST_SUITE_P(Securities, Dumps,
                         ::testing::Values(SDumpCase{"FieldsOfTheDop", "abc", "Date,High,Low,Close,Volume\n"
                                                            "2023-01-03,11,9,10,500\n"
                                                            "2023-01-04,12,10,11,600\n"
                                                            "2023-01-05,13,11,12,700\n"},
                                           SDumpCase{"IntradayWithItsTime", "IDX", "Date,Time,Open,High,Low,Close,Volume\n"
                                                            "2023-01-03,093500,1,2,0.5,1.5,100\n"
                                                            "2023-01-03,094000,1.5,3,1,2.5,200\n"},
                                           SDumpCase{"XmasterByItsFieldSet", "X2", "Date,Open,High,Low,Close,Volume\n"
                                                           "2023-01-03,5,6,4,5,30\n"
                                                           "2023-01-04,6,7,5,6,40\n"}),
                         [](const auto& info) { return std::string(info.param.pszName); });

struct SChangeCase {
    const char* pszName;
    std::string strCommand;
    Arguments args; // after DIR
    std::vector<std::string> present;
    std::vector<std::string> absent; // rows or files that must be gone
};

class Changes : public CRealFolderTest, public ::testing::WithParamInterface<SChangeCase> {};

// Each change keeps the other securities and their numbers, leaves a folder that check finds
// sound, and takes the security's data files away with it.
TEST_P(Changes, KeepEverythingElse) {
    Arguments args{DbText()};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    const SCliResult result = RunCli(GetParam().strCommand, args);
    ASSERT_EQ(result.nStatus, 0) << result.strErr;
    const std::string list = RunCli("list", {DbText()}).strOut;
    for (const std::string& row : GetParam().present) {
        EXPECT_NE(list.find(row), std::string::npos) << row << "\n" << list;
    }
    for (const std::string& gone : GetParam().absent) {
        EXPECT_EQ(list.find(gone), std::string::npos) << gone;
        EXPECT_FALSE(Exists(Db() / gone)) << gone;
    }
    const SCliResult check = RunCli("check", {DbText()});
    EXPECT_EQ(check.nStatus, 0) << check.strOut;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Changes,
    ::testing::Values(
        SChangeCase{"DeleteFromMaster", "delete", {"LNG"}, {"1\tABC", "4\tIDX", "256\tX1"}, {"LNG", "F2.DAT"}},
        SChangeCase{"DeleteFromXmaster", "delete", {"x1"}, {"2\tLNG", "258\tX2"}, {"\tX1\t", "F256.MWD"}},
        SChangeCase{"RenameInMaster", "rename", {"abc", "abd", "--name", "A NAME LONGER THAN SIXTEEN"},
                    {"1\tABD\tA NAME LONGER THAN SIXTEEN\t5"}, {"\tABC\t"}},
        SChangeCase{"RenameInXmaster", "rename", {"X2", "Y2"}, {"258\tY2\tSECOND"}, {"\tX2\t"}}),
    [](const auto& info) { return info.param.pszName; });

// New bars for a security of XMASTER land in its F<n>.MWD and in XMASTER's last date.
TEST_F(CRealFolderTest, UpdateOfAnXmasterSecurity) {
    const std::string input = Input("x1.csv", "2023-01-04,2,3,1,2,20\n2023-01-05,3,4,2,3,30\n");
    const SCliResult result = RunCli("convert", {input, "--out", DbText(), "--symbol", "x1", "--update",
                                                 "--date-format", "CCYY_MM_DD", "--no-oi"});
    ASSERT_EQ(result.nStatus, 0) << result.strErr;
    EXPECT_NE(result.strOut.find("X1: 1 new bar, 2023-01-05 to 2023-01-05; 1 bar already held was skipped; "
                                 "file number 256 (F256.MWD)"),
              std::string::npos)
        << result.strOut;
    EXPECT_NE(RunCli("list", {DbText()}).strOut.find("256\tX1\tFIRST EXTRA SECURITY NAME\t6\tD\t2023-01-03\t2023-01-05\t3"),
              std::string::npos);
    const SCliResult check = RunCli("check", {DbText()});
    EXPECT_EQ(check.nStatus, 0);
    EXPECT_EQ(check.strOut, "No problems found in " + DbText() + ": 5 securities.\n");
}

TEST_F(CRealFolderTest, CheckNamesEachInconsistency) {
    WriteFile(Db() / "F1.DAT", ReadFile(Db() / "F1.DAT").substr(0, 40)); // one bar short of its header
    std::filesystem::remove(Db() / "F258.MWD");
    std::string emaster = ReadFile(Db() / "EMASTER");
    emaster[192 * 2 + 2] = 9; // a record of a security MASTER no longer lists
    WriteFile(Db() / "EMASTER", emaster);
    const SCliResult result = RunCli("check", {DbText()});
    EXPECT_EQ(result.nStatus, 1);
    EXPECT_NE(result.strOut.find("F1.DAT"), std::string::npos) << result.strOut;
    EXPECT_NE(result.strOut.find("F258.MWD"), std::string::npos) << result.strOut;
    EXPECT_NE(result.strOut.find("EMASTER record 2: file number 9 (LNG) is only in EMASTER"), std::string::npos);
    EXPECT_NE(result.strOut.find("MASTER record 2: file number 2 (LNG) is only in MASTER"), std::string::npos);
    EXPECT_EQ(RunCli("rename", {DbText(), "nosuch", "X"}).nStatus, 1);
    EXPECT_EQ(RunCli("rename", {DbText(), "abc", "WAY TOO LONG SYMBOL"}).nStatus, 2);
}

// A folder without a database is not a sound one: list and check say what is missing.
TEST_F(CCliTest, ListAndCheckNameAFolderWithoutADatabase) {
    std::filesystem::create_directories(Db());
    for (const char* pszCommand : {"list", "check"}) {
        const SCliResult result = RunCli(pszCommand, {DbText()});
        EXPECT_EQ(result.nStatus, 1) << pszCommand;
        EXPECT_NE((result.strOut + result.strErr).find(DbText() + " holds no MetaStock database"), std::string::npos)
            << pszCommand << ": " << result.strOut << result.strErr;
    }
}

} // namespace
