#include "engine/JobSettings.h"

#include "engine/Converter.h"
#include "platform/RecordingMessageBox.h"
#include "platform/FileSystem.h"
#include "tests/support/MemoryStore.h"

#include <gtest/gtest.h>

namespace {

SImportSettings Valid() {
    SImportSettings s;
    s.strPathIn = "/data/prices.txt";
    s.strPathOut = "/data/ms";
    s.strSymbol = "IBM";
    return s;
}

std::string Refusal(SImportSettings s) {
    auto problem = CheckSettingsValues(s);
    if (!problem) {
        problem = CheckSettingsForRun(s);
    }
    return problem ? problem->strMessage : std::string();
}

}  // namespace

TEST(DateFormatNumber, MatchesFirstEntryBeginningWithTextIgnoringCase) {
    EXPECT_EQ(DateFormatNumber("MMDDYY"), 9);
    EXPECT_EQ(DateFormatNumber("mm"), 3);        // MM_DD_YY comes before MMDDYY
    EXPECT_EQ(DateFormatNumber("mmdd"), 9);
    EXPECT_EQ(DateFormatNumber("ccyymmdd"), 8);
    EXPECT_EQ(DateFormatNumber("DDMMCCYY"), 12);
    EXPECT_EQ(DateFormatNumber("MMDDYYY"), 0);   // longer than every entry it begins like
    EXPECT_EQ(DateFormatNumber("YYYY"), 0);
    EXPECT_EQ(DateFormatNumber("M/D/Y"), 0);
}

TEST(SettingsChecks, EveryColumnIsCheckedEvenWhenItsFieldIsOff) {
    SImportSettings s = Valid();
    s.bVolOn = 0;
    s.nVolCol = 21;
    EXPECT_NE(Refusal(s).find("1 to 20"), std::string::npos);
    s.nVolCol = 0;
    EXPECT_NE(Refusal(s).find("Volume"), std::string::npos);
    s = Valid();
    s.nDateCol = -1;
    const auto problem = CheckSettingsValues(s);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->item, ESettingsItem::DateCol);
}

TEST(SettingsChecks, RangesAndLengthsNameTheirLimits) {
    SImportSettings s = Valid();
    s.nRowsToSkip = 201;
    EXPECT_EQ(Refusal(s), "The rows to skip must be a number from 0 to 200.");
    s.nRowsToSkip = 200;
    EXPECT_EQ(Refusal(s), "");

    s = Valid();
    s.strSymbol = std::string(17, 'A');
    EXPECT_EQ(Refusal(s), "The symbol can be at most 16 characters long.");
    // The length is judged before trimming, as the symbol's edit holds it.
    s.strSymbol = "ABCDEFGHIJKLMNO  ";
    EXPECT_EQ(Refusal(s), "The symbol can be at most 16 characters long.");
    s.strSymbol = std::string(16, 'A');
    EXPECT_EQ(Refusal(s), "");

    s = Valid();
    s.strName = "\xc3\xa9" + std::string(15, 'x');  // 16 characters, 17 bytes
    EXPECT_EQ(Refusal(s), "");
    s.strName += "y";
    EXPECT_EQ(Refusal(s), "The name can be at most 16 characters long.");

    s = Valid();
    s.strPathOut = "/" + std::string(249, 'd');
    EXPECT_EQ(Refusal(s), "");
    s.strPathOut += "d";
    EXPECT_EQ(Refusal(s), "The output directory can be at most 250 characters long.");
}

TEST(SettingsChecks, DuplicateColumnsAmongSwitchedOnFieldsOnly) {
    SImportSettings s = Valid();
    s.nCloCol = 1;
    EXPECT_EQ(Refusal(s), "Duplicate columns specified\nCorrect or disable");

    s = Valid();
    s.bVolOn = 0;
    s.nVolCol = 1;  // same as the date, but switched off
    EXPECT_EQ(Refusal(s), "");

    s = Valid();
    s.bOpenOn = 0;
    s.nHiCol = 2;  // Open's column, Open off
    EXPECT_EQ(Refusal(s), "");
    s.bOpenOn = 1;
    EXPECT_EQ(Refusal(s), "Duplicate columns specified\nCorrect or disable");
}

TEST(SettingsChecks, SymbolIsTrimmedAndUpperCased) {
    SImportSettings s = Valid();
    s.strSymbol = " ibm.x\t ";
    ASSERT_FALSE(CheckSettingsForRun(s));
    EXPECT_EQ(s.strSymbol, "IBM.X");

    s.strSymbol = "   \t";
    EXPECT_EQ(Refusal(s), "You did not enter a valid symbol");
    s.strSymbol = "";
    EXPECT_EQ(Refusal(s), "You did not enter a valid symbol");
}

TEST(SettingsChecks, OutputDirectoryOfBlanksIsRefusedAndTrailingBlanksKept) {
    SImportSettings s = Valid();
    s.strPathOut = "   ";
    EXPECT_EQ(Refusal(s), "Please enter path");
    s.strPathOut = "/data/ms  ";
    ASSERT_FALSE(CheckSettingsForRun(s));
    EXPECT_EQ(s.strPathOut, "/data/ms  ");
}

TEST(SettingsChecks, SymbolAndNameMustFitWindows1252) {
    SImportSettings s = Valid();
    s.strName = "Caf\xc3\xa9 \xe2\x82\xac";  // é and the euro sign are in the code page
    EXPECT_EQ(Refusal(s), "");
    s.strName = "\xe6\x97\xa5\xe6\x9c\xac";  // Japanese is not
    EXPECT_NE(Refusal(s).find("name"), std::string::npos);
    s = Valid();
    s.strSymbol = "\xce\xb1";  // Greek alpha
    EXPECT_NE(Refusal(s).find("symbol"), std::string::npos);
}

TEST(FillJob, MapsColumnsToZeroBasedAndKeepsSwitchedOffFields) {
    SImportSettings s = Valid();
    s.bOpenOn = 0;
    s.nOpenCol = 2;
    s.nHiCol = 2;
    s.nDelimiter = 5;  // no button chosen: comma
    s.nExist = 3;      // no button chosen: a new master
    s.strName = "Caf\xc3\xa9";
    ASSERT_FALSE(CheckSettingsForRun(s));

    CRecordingMessageBox messages;
    CMemoryStore store;
    CConverter job(GetSystemFileSystem(), messages, store);
    FillJob(s, job);
    EXPECT_EQ(job.m_szDelimiter, ",");
    EXPECT_EQ(job.m_bUseExistingMaster, 0);
    EXPECT_EQ(job.m_bFieldOn[kFieldOpen], 0);
    EXPECT_EQ(job.m_nFieldCol[kFieldOpen], 1);
    EXPECT_EQ(job.m_nFieldCol[kFieldHigh], 1);
    EXPECT_EQ(job.m_bFieldOn[kFieldDate], 1);
    EXPECT_EQ(job.m_bFieldOn[kFieldClose], 1);
    EXPECT_EQ(job.m_nFieldCol[kFieldOpenInterest], 6);
    EXPECT_EQ(job.m_nDateFormat, 9);
    EXPECT_EQ(job.m_szName, "Caf\xe9");

    s.nDelimiter = 1;
    s.nExist = 0;
    FillJob(s, job);
    EXPECT_EQ(job.m_szDelimiter, "\t");
    EXPECT_EQ(job.m_bUseExistingMaster, 1);
    s.nDelimiter = 2;
    FillJob(s, job);
    EXPECT_EQ(job.m_szDelimiter, " ");
}
