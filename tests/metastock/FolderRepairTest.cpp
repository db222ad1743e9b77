// A repair of a folder damaged several ways at once, failed and stopped at every file
// operation in turn: each file is then as before the repair or as the repair makes it, and
// a repair left alone afterwards makes the folder whole.
#include "metastock/FolderRepair.h"
#include "tests/metastock/DatabaseFixture.h"
#include "tests/support/FaultyFileSystem.h"

#include <regex>

namespace {

FolderFiles Damaged() {
    FolderFiles files = RealFolder();
    files["XMASTER"] = "broken file\n";
    files["EMASTER"][192 * 2 + 2] = 3; // a stale record
    files["F1.DAT"].resize(files["F1.DAT"].size() - 10);
    files["PELMAR.JNL"] = "PELMAR JOURNAL 1\nREMOVE\tMASTER\nEND\n";
    return files;
}

// One repair on fs; its result.
bool Repair(CFileSystem& fs, const std::filesystem::path& dir, std::string& strError) {
    CRecordingMessageBox messages;
    CFolderRepair repair(fs, messages, dir);
    return repair.Plan(strError, std::chrono::seconds(1)) && repair.Apply(strError);
}

class FolderRepair : public DatabaseTest {
protected:
    void SetUp() override {
        WriteFolder(m_dir.Path(), m_before);
        std::string strError;
        ASSERT_TRUE(Repair(m_counting, m_dir.Path(), strError)) << strError;
        m_after = Snapshot(m_dir.Path());
        CDatabase database(GetSystemFileSystem(), m_messages, m_dir.Path());
        ASSERT_TRUE(database.Read(strError)) << strError;
        ASSERT_EQ(database.Check(), std::vector<std::string>{});
        ASSERT_EQ(database.Securities().size(), 5u);
    }
    // Every file as before or after the repair; beside them only the lock, and the journal
    // with the temporaries it names for the next run to take away.
    void ExpectOldOrNew(const FolderFiles& now, const std::string& what) {
        const bool bJournal = now.count("PELMAR.JNL") && now.at("PELMAR.JNL") != m_before.at("PELMAR.JNL");
        for (const auto& [name, bytes] : now) {
            const bool bOld = m_before.count(name) && m_before.at(name) == bytes;
            const bool bNew = m_after.count(name) && m_after.at(name) == bytes;
            const bool bNamed = bJournal && std::regex_search(name, std::regex("\\.pelmar-[0-9a-f]{8}$")) &&
                                now.at("PELMAR.JNL").find(name.substr(name.size() - 8)) != std::string::npos;
            EXPECT_TRUE(bOld || bNew || bNamed || name == "PELMAR.JNL" || name == "PELMAR.LCK") << what << ": " << name;
        }
    }

    const FolderFiles m_before = Damaged();
    FolderFiles m_after;
    CFaultyFileSystem m_counting;
};

TEST_F(FolderRepair, FailedOrStoppedAtAnyOperationLeavesEveryFileOldOrNew) {
    EXPECT_EQ(m_after.at("PELMAR.JNL.pelmar-old"), m_before.at("PELMAR.JNL"));
    EXPECT_EQ(m_after.at("XMASTER.pelmar-old"), "broken file\n");
    for (int n = 1; n <= m_counting.OperationCount(); ++n) {
        for (const bool bFromThenOn : {false, true}) {
            const std::string what =
                std::string(bFromThenOn ? "stopped" : "failing") + " at operation " + std::to_string(n);
            CTempDir dir;
            WriteFolder(dir.Path(), m_before);
            CFaultyFileSystem fs;
            fs.SkipRealSyncs();
            fs.FailAt(n, EFault::Any, bFromThenOn);
            std::string strError;
            const bool bDone = Repair(fs, dir.Path(), strError);
            const FolderFiles now = Snapshot(dir.Path());
            ExpectOldOrNew(now, what);
            if (!bDone && !bFromThenOn && strError.find("remains") == std::string::npos) {
                EXPECT_TRUE(now == m_before) << what << ": " << strError << Differences(now, m_before);
            }
            // A repair left alone finishes what is left, as the first would have.
            ASSERT_TRUE(Repair(GetSystemFileSystem(), dir.Path(), strError)) << what << ": " << strError;
            const FolderFiles repaired = Snapshot(dir.Path());
            EXPECT_EQ(repaired.at("MASTER"), m_after.at("MASTER")) << what;
            EXPECT_EQ(repaired.at("EMASTER"), m_after.at("EMASTER")) << what;
            EXPECT_EQ(repaired.size(), m_after.size()) << what << Differences(repaired, m_after);
            CDatabase database(GetSystemFileSystem(), m_messages, dir.Path());
            ASSERT_TRUE(database.Read(strError)) << strError;
            EXPECT_EQ(database.Check(), std::vector<std::string>{}) << what;
        }
    }
}

} // namespace
