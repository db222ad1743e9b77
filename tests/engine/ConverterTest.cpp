// Whole conversion runs with a failure at every file operation in turn: a run either succeeds
// and leaves the new database, or says why and leaves every file exactly as it was.
#include "engine/Converter.h"
#include "engine/JobSettings.h"
#include "engine/Wording.h"
#include "metastock/Database.h"
#include "metastock/Dates.h"
#include "platform/RecordingMessageBox.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/MemoryStore.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const char kBars[] = "2023-01-03,9,11,8,10,100\n2023-01-04,9,12,8,11,200\n2023-01-05,10,12,9,11.5,300\n";

struct SRunCase {
    const char* pszName;
    EMasterMode mode;
    bool bExistingFolder; // the folder already holds a database with ABC
    const char* pszSymbol;
};

class EveryFileOperation : public ::testing::TestWithParam<SRunCase> {
protected:
    // One run on fs; its result, and the messages it showed.
    int Run(CFileSystem& fs, CRecordingMessageBox& messages) {
        // New bars, after one that the security already holds.
        const bool bUpdate = std::string(GetParam().pszSymbol) == "ABC";
        return Convert(fs, messages, bUpdate ? "more.csv" : "prices.csv", GetParam().mode, GetParam().pszSymbol);
    }
    int Convert(CFileSystem& fs, CRecordingMessageBox& messages, const char* pszFile, EMasterMode mode,
                const char* pszSymbol) {
        SConversion conversion;
        conversion.strInputPath = (m_dir / pszFile).string();
        conversion.layout.dateFormat = EDateFormat::CCYY_MM_DD;
        conversion.layout.fieldCol[kFieldOpenInterest] = kNoColumn;
        conversion.output = {(m_dir / "db").string(), mode, pszSymbol, ""};
        CMemoryStore store;
        CConverter job(fs, messages, store, WindowWording());
        return job.Convert(conversion);
    }

    CTempDir m_dir;
};

TEST_P(EveryFileOperation, LeavesTheOldOrTheNewDatabase) {
    std::filesystem::create_directories(m_dir / "db");
    WriteFile(m_dir / "prices.csv", kBars);
    WriteFile(m_dir / "more.csv", "2023-01-05,10,12,9,11.5,300\n2023-01-06,10,13,9,12,400\n");
    CRecordingMessageBox messages;
    if (GetParam().bExistingFolder) {
        ASSERT_EQ(Convert(GetSystemFileSystem(), messages, "prices.csv", EMasterMode::MakeNew, "ABC"), 0);
    }
    const FolderFiles before = Snapshot(m_dir / "db");

    CFaultyFileSystem counting;
    ASSERT_EQ(Run(counting, messages), 0) << ::testing::PrintToString(messages.Texts());
    const FolderFiles after = Snapshot(m_dir / "db");
    const int nOperations = counting.OperationCount();
    ASSERT_GT(nOperations, 5);

    for (int n = 1; n <= nOperations; ++n) {
        std::filesystem::remove_all(m_dir / "db");
        std::filesystem::create_directories(m_dir / "db");
        WriteFolder(m_dir / "db", before);
        CFaultyFileSystem faulty;
        faulty.FailAt(n);
        CRecordingMessageBox shown;
        const int nResult = Run(faulty, shown);
        const FolderFiles now = Snapshot(m_dir / "db");
        if (nResult == 0) {
            // Only a failure that the run may pass over: the backup of MASTER, or the removal of
            // the finished journal.
            EXPECT_EQ(now.at("MASTER"), after.at("MASTER")) << "operation " << n;
            continue;
        }
        EXPECT_FALSE(shown.Texts().empty()) << "operation " << n << " failed the run without a word";
        EXPECT_EQ(now, before) << "operation " << n << ": "
                               << ::testing::PrintToString(faulty.Operations()[static_cast<std::size_t>(n - 1)].strName);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, EveryFileOperation,
    ::testing::Values(SRunCase{"MakeNewMaster", EMasterMode::MakeNew, false, "NEW"},
                      SRunCase{"UseExistingMaster", EMasterMode::UseExisting, true, "NEW"},
                      SRunCase{"StartInEmptyFolder", EMasterMode::UseExisting, false, "NEW"},
                      SRunCase{"AddNewBars", EMasterMode::AddNewBars, true, "ABC"},
                      SRunCase{"AddOrUpdateKnown", EMasterMode::AddOrUpdate, true, "ABC"},
                      SRunCase{"AddOrUpdateNew", EMasterMode::AddOrUpdate, true, "NEW"}),
    [](const auto& info) { return info.param.pszName; });

} // namespace

namespace {

struct SPreviewCase {
    const char* pszName;
    std::string strText;
    std::function<void(SImportSettings&)> set; // the dialog's settings, from the defaults
};

class PreviewIsWhatIsWritten : public ::testing::TestWithParam<SPreviewCase> {};

// The preview and the conversion read through one layout: every cell the preview shows is the
// value the conversion writes, for the same settings.
TEST_P(PreviewIsWhatIsWritten, CellForCell) {
    CTempDir dir;
    std::filesystem::create_directories(dir / "db");
    WriteFile(dir / "prices.txt", GetParam().strText);
    SImportSettings settings;
    settings.strPathIn = (dir / "prices.txt").string();
    settings.strPathOut = (dir / "db").string();
    settings.strSymbol = "X";
    GetParam().set(settings);
    ASSERT_FALSE(CheckSettings(settings));

    const std::vector<SLinePreview> rows =
        CBarReader(LayoutOf(settings), ReadOptionsOf(settings), WindowWording()).Preview(GetParam().strText, 100);
    CRecordingMessageBox messages;
    CMemoryStore store;
    CConverter job(GetSystemFileSystem(), messages, store, WindowWording());
    ASSERT_EQ(job.Convert(ConversionOf(settings)), 0) << ::testing::PrintToString(messages.Texts());
    CDatabase database(GetSystemFileSystem(), messages, dir / "db");
    std::string strError;
    ASSERT_TRUE(database.Read(strError)) << strError;
    const auto security = database.FindSecurity("X");
    ASSERT_TRUE(security);
    const auto stored = database.ReadBars(*security, strError);
    ASSERT_TRUE(stored) << strError;

    std::size_t nBar = 0;
    for (const SLinePreview& row : rows) {
        if (row.bSkipped) {
            continue;
        }
        ASSERT_LT(nBar, stored->bars.size());
        const SBarValues& bar = stored->bars[settings.bReverseOrder ? stored->bars.size() - 1 - nBar : nBar];
        ++nBar;
        EXPECT_EQ(row.cells[kFieldDate].strText, DateValueText(bar.nDate)) << "line " << row.nLine;
        for (int f : stored->fields) {
            if (f != kFieldDate && f != kFieldTime) {
                EXPECT_EQ(row.cells[static_cast<std::size_t>(f)].strText, ValueText(bar.values[static_cast<std::size_t>(f)]))
                    << "line " << row.nLine << " field " << f;
            }
        }
    }
    EXPECT_EQ(nBar, stored->bars.size());
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PreviewIsWhatIsWritten,
    ::testing::Values(
        SPreviewCase{"EuropeanDecimalComma",
                     "Datum;Open;High;Low;Close;Vol\n02.01.2020;88,435;88,971;85,548;85,661;918.691\n"
                     "03.01.2020;85,661;86,1;84,9;85,95;712004\n",
                     [](SImportSettings& s) {
                         s.nDelimiter = static_cast<long long>(EDelimiter::Semicolon);
                         s.bDecimalComma = 1;
                         s.strDateFormat = "DD_MM_CCYY";
                         s.bSkipOn = 1;
                         s.nRowsToSkip = 1;
                         s.bOIOn = 0;
                     }},
        SPreviewCase{"ThousandsAndCurrency", "01/03/2023,\"$1,234.50\",$1240,$1200.25,$1239,\"1,000,000\"\n",
                     [](SImportSettings& s) {
                         s.strDateFormat = "MM_DD_CCYY";
                         s.strCurrency = "$";
                         s.bOIOn = 0;
                     }},
        SPreviewCase{"NewestFirstColumnsMoved", "20230104\tx\t2.5\t99\n20230103\ty\t2.25\t100\n",
                     [](SImportSettings& s) {
                         s.nDelimiter = static_cast<long long>(EDelimiter::Tab);
                         s.strDateFormat = "CCYYMMDD";
                         s.bReverseOrder = 1;
                         s.nCloCol = 3;
                         s.nVolCol = 4;
                         s.bOpenOn = s.bHiOn = s.bLoOn = s.bOIOn = 0;
                     }},
        SPreviewCase{"DatesWithTimes", "2023-01-03T16:00:00Z 1e2 1.5e-3\n2023-01-04T16:00:00Z 0.1 -2\n",
                     [](SImportSettings& s) {
                         s.nDelimiter = static_cast<long long>(EDelimiter::Space);
                         s.strDateFormat = "CCYY_MM_DD";
                         s.bDateTime = 1;
                         s.nOpenCol = 2;
                         s.nCloCol = 3;
                         s.bHiOn = s.bLoOn = s.bVolOn = s.bOIOn = 0;
                     }}),
    [](const auto& info) { return info.param.pszName; });

} // namespace
