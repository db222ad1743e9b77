// Whole conversion runs with a failure at every file operation in turn: a run either succeeds
// and leaves the new database, or says why and leaves every file exactly as it was.
#include "engine/Converter.h"
#include "engine/Wording.h"
#include "platform/RecordingMessageBox.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/MemoryStore.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

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
