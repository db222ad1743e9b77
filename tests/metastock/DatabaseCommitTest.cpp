#include "tests/metastock/DatabaseFixture.h"
#include "tests/support/FaultyFileSystem.h"

#include <chrono>

namespace {

// A change of every kind at once: new bars for a MASTER and an XMASTER security, a new
// security, a removal, a new symbol and the backup.
bool ChangeEverything(CFileSystem& fs, const std::filesystem::path& dir, CMessageBox& messages, std::string& strError) {
    CDatabase db(fs, messages, dir);
    if (!db.LockAndRead(strError, std::chrono::seconds(1))) {
        return false;
    }
    const SSecurity abc = db.FindSecurity("ABC").value(), x1 = db.FindSecurity("X1").value();
    const SSecurity lng = db.FindSecurity("LNG").value(), x2 = db.FindSecurity("X2").value();
    const std::vector<int> six = {kFieldDate, kFieldOpen, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume};
    const bool bStaged =
        db.AppendBars(abc, Records({kFieldDate, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume}, 2, 1230106), 2,
                      1230107, strError) &&
        db.AppendBars(x1, Records(six, 1, 1230105), 1, 1230105, strError) &&
        db.AddSecurity(NewSecurity("NEW", "A NEW SECURITY WITH A LONG NAME", 3), strError) &&
        db.DeleteSecurity(x2, strError) && db.RenameSecurity(lng, "LNG2", std::nullopt, strError);
    db.KeepMasterBackup();
    return bStaged && db.Commit(strError);
}

bool HasTemporary(const FolderFiles& files) {
    return std::any_of(files.begin(), files.end(),
                       [](const auto& file) { return file.first.find(".pelmar-") != std::string::npos; });
}

// The fixture before and after the change, and the operations of the change that succeeded.
class DatabaseCommit : public DatabaseTest {
protected:
    void SetUp() override {
        WriteFolder(m_dir.Path(), m_before);
        std::string strError;
        ASSERT_TRUE(ChangeEverything(m_counting, m_dir.Path(), m_messages, strError)) << strError;
        m_after = Snapshot(m_dir.Path());
    }
    const FolderFiles m_before = RealFolder();
    FolderFiles m_after;
    CFaultyFileSystem m_counting;
};

TEST_F(DatabaseCommit, EveryFailedOperationLeavesEachFileOldOrNew) {
    const FolderFiles& before = m_before;
    const FolderFiles& after = m_after;
    EXPECT_EQ(after.size(), before.size() + 3 - 1); // F5.DAT, F5.DOP and MASTER.BAK in, F258.MWD out

    // Data files first, the directory files after them with MASTER last, removals at the end.
    std::vector<std::string> order;
    for (const auto& operation : m_counting.Operations()) {
        const bool bTemporary = operation.strName.find(".pelmar-") != std::string::npos;
        if ((operation.kind == EFault::Replace || operation.kind == EFault::Remove) && !bTemporary) {
            order.push_back(operation.strName);
        }
    }
    EXPECT_EQ(order, (std::vector<std::string>{"PELMAR.JNL", "F1.DAT", "F256.MWD", "F5.DAT", "F5.DOP", "MASTER.BAK",
                                               "XMASTER", "EMASTER", "MASTER", "F258.MWD", "PELMAR.JNL"}));

    const int nOperations = m_counting.OperationCount();
    for (int n = 1; n <= nOperations; ++n) {
        CTempDir dir;
        WriteFolder(dir.Path(), before);
        CFaultyFileSystem fs;
        fs.FailAt(n);
        std::string strFailure;
        const bool bDone = ChangeEverything(fs, dir.Path(), m_messages, strFailure);
        const FolderFiles now = Snapshot(dir.Path());
        EXPECT_TRUE(fs.FaultInjected()) << n;
        EXPECT_FALSE(HasTemporary(now)) << n;
        if (!bDone) {
            EXPECT_FALSE(strFailure.empty()) << n;
            EXPECT_EQ(now, before) << "operation " << n << ": " << strFailure;
            continue;
        }
        // The failures that do not fail the change: MASTER.BAK, and the journal's removal.
        for (const auto& [name, bytes] : now) {
            const bool bOld = before.count(name) && before.at(name) == bytes;
            const bool bNew = after.count(name) && after.at(name) == bytes;
            EXPECT_TRUE(bOld || bNew || name == "PELMAR.JNL") << "operation " << n << ": " << name;
        }
        for (const auto& [name, bytes] : after) {
            EXPECT_TRUE(now.count(name) || name == "MASTER.BAK") << "operation " << n << ": " << name;
        }
    }
}

TEST_F(DatabaseCommit, AChangeStoppedAfterAnyOperationIsCompletedOrUndoneByTheNextOne) {
    const FolderFiles& before = m_before;
    const FolderFiles& after = m_after;

    bool bSawJournal = false;
    std::string strError;
    for (int n = 1; n <= m_counting.OperationCount(); ++n) {
        CTempDir dir;
        WriteFolder(dir.Path(), before);
        CFaultyFileSystem fs;
        fs.FailAt(n, EFault::Any, true); // as if the process had been killed there
        strError.clear();
        const bool bDone = ChangeEverything(fs, dir.Path(), m_messages, strError);
        // What the failed run said must be what the next run makes of the folder.
        const bool bSaidFinished = strError.find("finishes this one") != std::string::npos;

        CDatabase reader(GetSystemFileSystem(), m_messages, dir.Path());
        ASSERT_TRUE(reader.Read(strError)) << strError;
        const bool bJournal = Exists(dir / "PELMAR.JNL");
        bSawJournal = bSawJournal || bJournal;
        if (bJournal || HasTemporary(Snapshot(dir.Path()))) {
            EXPECT_FALSE(reader.Check().empty()) << n;
        }

        CRecordingMessageBox messages;
        CDatabase next(GetSystemFileSystem(), messages, dir.Path());
        ASSERT_TRUE(next.LockAndRead(strError)) << n << ": " << strError;
        EXPECT_TRUE(next.Damage().empty()) << n;
        EXPECT_EQ(bJournal, !messages.Notices().empty() && messages.Notices().front().find("Completed") == 0) << n;
        FolderFiles now = Snapshot(dir.Path());
        now.erase("PELMAR.LCK"); // next holds the lock
        EXPECT_TRUE(now == before || now == after) << "stopped after operation " << n;
        EXPECT_TRUE(!bJournal || now == after) << n;
        if (!bDone) {
            EXPECT_EQ(now == after, bSaidFinished) << n << ": " << strError;
        }
    }
    EXPECT_TRUE(bSawJournal);
}

} // namespace
