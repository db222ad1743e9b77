// One change of every kind committed, then failed, stopped and replayed at every file
// operation in turn: the commit, its journal's recovery and its undo. Whatever happens, every
// entry of every directory file has its data file, and the next run leaves the folder either
// as it was or as the change makes it.
#include "tests/metastock/DatabaseFixture.h"
#include "tests/support/FaultyFileSystem.h"

#include <chrono>
#include <functional>
#include <regex>

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

// The records of MASTER, EMASTER and XMASTER whose data file is missing, read from the bytes
// as another program reads them: whatever the moment, this must be empty.
std::string EntriesWithoutDataFile(const FolderFiles& files) {
    std::string missing;
    const auto check = [&](const char* pszFile, std::size_t nSize, const char* pszExtension, auto numberAt) {
        const auto it = files.find(pszFile);
        for (std::size_t at = nSize; it != files.end() && at + nSize <= it->second.size(); at += nSize) {
            const auto* p = reinterpret_cast<const std::uint8_t*>(it->second.data()) + at;
            const std::string name = "F" + std::to_string(numberAt(p)) + pszExtension;
            if (!files.count(name)) {
                missing += std::string(" ") + pszFile + " names " + name + ";";
            }
        }
    };
    check("MASTER", 53, ".DAT", [](const std::uint8_t* p) { return int{p[0]}; });
    check("EMASTER", 192, ".DAT", [](const std::uint8_t* p) { return int{p[2]}; });
    check("XMASTER", 150, ".MWD", [](const std::uint8_t* p) { return p[65] | (p[66] << 8); });
    return missing;
}

// Names of the operations of kinds that change the folder, temporaries' tokens left out.
std::vector<std::string> Changes(const std::vector<CFaultyFileSystem::SOperation>& operations) {
    std::vector<std::string> names;
    for (const auto& operation : operations) {
        if (operation.kind == EFault::OpenUpdate || operation.kind == EFault::Replace ||
            operation.kind == EFault::Remove || operation.kind == EFault::OpenNew) {
            names.push_back(std::regex_replace(operation.strName, std::regex("\\.pelmar-[0-9a-f]{8}$"), ".pelmar-T"));
        }
    }
    return names;
}

class DatabaseCommit : public DatabaseTest {
protected:
    void SetUp() override {
        WriteFolder(m_dir.Path(), m_before);
        std::string strError;
        ASSERT_TRUE(ChangeEverything(m_counting, m_dir.Path(), m_messages, strError)) << strError;
        m_after = Snapshot(m_dir.Path());
        const auto& operations = m_counting.Operations();
        for (std::size_t i = 0; i < operations.size(); ++i) {
            const int n = static_cast<int>(i) + 1;
            if (operations[i].kind == EFault::OpenUpdate && operations[i].strName == "PELMAR.JNL" && m_nCommit == 0) {
                m_nCommit = n;
            } else if (m_nCommit != 0 && m_nFirstRedo == 0 && operations[i].strName != "PELMAR.JNL") {
                m_nFirstRedo = n;
            }
            if (operations[i].kind == EFault::Replace && operations[i].strName == "MASTER") {
                m_nMasterRename = n;
            }
            if (operations[i].kind == EFault::Replace && operations[i].strName == "EMASTER") {
                m_nEmasterRename = n;
            }
        }
        ASSERT_TRUE(m_nCommit > 0 && m_nFirstRedo > m_nCommit && m_nMasterRename > m_nEmasterRename);
    }

    // The folder after ChangeEverything ran on a file system that fails as set up; bDone and
    // strError as it returned them.
    FolderFiles Stopped(const std::function<void(CFaultyFileSystem&)>& setUp, bool& bDone, std::string& strError) {
        CTempDir dir;
        WriteFolder(dir.Path(), m_before);
        CFaultyFileSystem fs;
        fs.SkipRealSyncs();
        setUp(fs);
        strError.clear();
        bDone = ChangeEverything(fs, dir.Path(), m_messages, strError);
        return Snapshot(dir.Path());
    }

    // The next run on files: its recovery fails as set up (when given), then a run that is left
    // alone; the folder after it, which check finds sound.
    FolderFiles Next(const FolderFiles& files, const std::function<void(CFaultyFileSystem&)>& setUp,
                     const std::string& what) {
        CTempDir dir;
        WriteFolder(dir.Path(), files);
        std::string strError;
        if (setUp) {
            CFaultyFileSystem fs;
            fs.SkipRealSyncs();
            setUp(fs);
            CRecordingMessageBox messages;
            CDatabase failing(fs, messages, dir.Path());
            failing.LockAndRead(strError);
            EXPECT_EQ(EntriesWithoutDataFile(Snapshot(dir.Path())), "") << what;
        }
        CRecordingMessageBox messages;
        CFaultyFileSystem alone; // no fault, and no disk flushes: nothing stops this machine
        alone.SkipRealSyncs();
        CDatabase next(alone, messages, dir.Path());
        EXPECT_TRUE(next.LockAndRead(strError)) << what << ": " << strError;
        EXPECT_EQ(next.Check(), std::vector<std::string>{}) << what;
        FolderFiles now = Snapshot(dir.Path());
        now.erase("PELMAR.LCK"); // next holds the lock
        return now;
    }

    const FolderFiles m_before = RealFolder();
    FolderFiles m_after;
    CFaultyFileSystem m_counting;
    int m_nCommit = 0;       // the journal opened to mark it committed
    int m_nFirstRedo = 0;    // the first step after the commit
    int m_nMasterRename = 0; // MASTER put in place, the last rename
    int m_nEmasterRename = 0;
};

TEST_F(DatabaseCommit, EveryFailedOperationLeavesEachFileOldOrNew) {
    EXPECT_EQ(m_after.size(), m_before.size() + 3 - 1); // F5.DAT, F5.DOP and MASTER.BAK in, F258.MWD out
    // The journal first; new and grown data files, then the temporaries; after the commit the
    // grown files' counts, the renames with MASTER last, the removal; the journal goes.
    EXPECT_EQ(
        Changes(m_counting.Operations()),
        (std::vector<std::string>{"PELMAR.JNL", "F5.DAT", "F5.DOP", "F1.DAT", "F256.MWD", "MASTER.BAK.pelmar-T",
                                  "XMASTER.pelmar-T", "EMASTER.pelmar-T", "MASTER.pelmar-T", "PELMAR.JNL", "F1.DAT",
                                  "F256.MWD", "MASTER.BAK", "XMASTER", "EMASTER", "MASTER", "F258.MWD", "PELMAR.JNL"}));

    for (int n = 1; n <= m_counting.OperationCount(); ++n) {
        bool bDone = false;
        std::string strFailure;
        const FolderFiles now = Stopped([n](CFaultyFileSystem& fs) { fs.FailAt(n); }, bDone, strFailure);
        const std::string what = "operation " + std::to_string(n) + " (" +
                                 m_counting.Operations()[static_cast<std::size_t>(n - 1)].strName + ")";
        EXPECT_FALSE(HasTemporary(now)) << what;
        if (!bDone) {
            EXPECT_FALSE(strFailure.empty()) << what;
            EXPECT_TRUE(now == m_before) << what << ": " << strFailure << Differences(now, m_before);
            continue;
        }
        // The failures that do not fail the change: MASTER.BAK, and the journal's removal.
        for (const auto& [name, bytes] : now) {
            const bool bNew = m_after.count(name) && m_after.at(name) == bytes;
            EXPECT_TRUE(bNew || name == "PELMAR.JNL" || (name == "MASTER.BAK" && !m_before.count(name)))
                << what << ": " << name;
        }
        for (const auto& [name, bytes] : m_after) {
            EXPECT_TRUE(now.count(name) || name == "MASTER.BAK") << what << ": " << name;
        }
    }
}

TEST_F(DatabaseCommit, AChangeStoppedAfterAnyOperationIsCompletedOrUndoneByTheNextOne) {
    int nCompleted = 0;
    for (int n = 1; n <= m_counting.OperationCount(); ++n) {
        bool bDone = false;
        std::string strError;
        const FolderFiles stopped =
            Stopped([n](CFaultyFileSystem& fs) { fs.FailAt(n, EFault::Any, true); }, bDone, strError);
        const std::string what = "stopped at operation " + std::to_string(n);
        EXPECT_EQ(EntriesWithoutDataFile(stopped), "") << what;
        // A journal left behind is all that check and list report.
        CTempDir dir;
        WriteFolder(dir.Path(), stopped);
        CDatabase reader(GetSystemFileSystem(), m_messages, dir.Path());
        ASSERT_TRUE(reader.Read(strError)) << strError;
        if (stopped.count("PELMAR.JNL")) {
            ASSERT_EQ(reader.Check().size(), 1u) << what;
            EXPECT_NE(reader.Check().front().find("the next change of this folder or a repair"), std::string::npos);
        }
        const FolderFiles now = Next(stopped, nullptr, what);
        // A journal whose commit line is whole is completed, any other undone.
        const bool bCommitted = stopped.count("PELMAR.JNL") && CJournal::Parse(stopped.at("PELMAR.JNL")).bLastCommitted;
        const FolderFiles& expected = bCommitted || bDone ? m_after : m_before;
        EXPECT_TRUE(now == expected) << what << Differences(now, expected);
        nCompleted += bCommitted ? 1 : 0;
    }
    EXPECT_GT(nCompleted, 5);
}

TEST_F(DatabaseCommit, TheJournalIsReplayedStepByStepInItsOrder) {
    struct SCase {
        const char* pszName;
        int nStop;                        // the commit stops here and after
        const FolderFiles* pResult;       // what the replay makes of the folder
        std::vector<std::string> changes; // what it does, in order
    };
    const std::vector<SCase> cases = {
        {"undone before the commit",
         m_nCommit,
         &m_before,
         {"F5.DAT", "F5.DOP", "MASTER.BAK.pelmar-T", "XMASTER.pelmar-T", "EMASTER.pelmar-T", "MASTER.pelmar-T",
          "F1.DAT", "F256.MWD", "PELMAR.JNL"}},
        {"completed after it",
         m_nFirstRedo,
         &m_after,
         {"F1.DAT", "F256.MWD", "MASTER.BAK", "XMASTER", "EMASTER", "MASTER", "F258.MWD", "PELMAR.JNL"}},
    };
    for (const SCase& c : cases) {
        bool bDone = false;
        std::string strError;
        const FolderFiles stopped =
            Stopped([&](CFaultyFileSystem& fs) { fs.FailAt(c.nStop, EFault::Any, true); }, bDone, strError);
        ASSERT_TRUE(stopped.count("PELMAR.JNL")) << c.pszName;
        CTempDir dir;
        WriteFolder(dir.Path(), stopped);
        CFaultyFileSystem recording;
        CDatabase replaying(recording, m_messages, dir.Path());
        ASSERT_TRUE(replaying.LockAndRead(strError)) << strError;
        EXPECT_EQ(Changes(recording.Operations()), c.changes) << c.pszName;
        const int nSteps = recording.OperationCount();
        // Stopped after each step in turn, the replay leaves every entry its data file, every
        // file as it was, as the change makes it, or a temporary of the change; the next run
        // finishes it the same way.
        for (int k = 2; k <= nSteps; ++k) {
            const std::string what = std::string(c.pszName) + ", replay stopped at step " + std::to_string(k);
            CTempDir partial;
            WriteFolder(partial.Path(), stopped);
            CFaultyFileSystem fs;
            fs.SkipRealSyncs();
            fs.FailAt(k, EFault::Any, true);
            CDatabase stoppedReplay(fs, m_messages, partial.Path());
            stoppedReplay.LockAndRead(strError);
            for (const auto& [name, bytes] : Snapshot(partial.Path())) {
                const bool bKnown = (m_before.count(name) && m_before.at(name) == bytes) ||
                                    (m_after.count(name) && m_after.at(name) == bytes) || stopped.count(name);
                EXPECT_TRUE(bKnown) << what << ": " << name;
            }
            const FolderFiles now = Next(Snapshot(partial.Path()), nullptr, what);
            EXPECT_TRUE(now == *c.pResult) << what << Differences(now, *c.pResult);
        }
    }
}

TEST_F(DatabaseCommit, ARecoveryFailingAtAnyOperationLeavesEveryEntryItsDataFile) {
    const std::pair<int, const FolderFiles*> states[] = {
        {m_nCommit, &m_before}, {m_nFirstRedo, &m_after}, {m_nEmasterRename, &m_after}};
    for (const auto& [nStop, pResult] : states) {
        bool bDone = false;
        std::string strError;
        const FolderFiles stopped =
            Stopped([nStop](CFaultyFileSystem& fs) { fs.FailAt(nStop, EFault::Any, true); }, bDone, strError);
        CTempDir dir;
        WriteFolder(dir.Path(), stopped);
        CFaultyFileSystem counting;
        CDatabase recovering(counting, m_messages, dir.Path());
        ASSERT_TRUE(recovering.LockAndRead(strError)) << strError;
        for (int m = 1; m <= counting.OperationCount(); ++m) {
            const std::string what =
                "stopped at " + std::to_string(nStop) + ", recovery failing at " + std::to_string(m);
            const FolderFiles now = Next(
                stopped, [m](CFaultyFileSystem& fs) { fs.FailAt(m); }, what);
            EXPECT_TRUE(now == *pResult) << what << Differences(now, *pResult);
        }
    }
}

TEST_F(DatabaseCommit, AnUndoFailingAtAnyOperationLeavesEveryEntryItsDataFile) {
    // A rename refused after the commit (MASTER held open by another program), or a
    // temporary that cannot be written before it; then each operation of the undo fails too.
    int nTemporary = 0;
    for (std::size_t i = 0; i < m_counting.Operations().size() && nTemporary == 0; ++i) {
        if (m_counting.Operations()[i].strName.rfind("XMASTER.pelmar-", 0) == 0) {
            nTemporary = static_cast<int>(i) + 1;
        }
    }
    for (const int nFirst : {nTemporary, m_nMasterRename}) {
        CFaultyFileSystem counting;
        counting.SkipRealSyncs();
        bool bDone = false;
        std::string strError;
        CTempDir dir;
        WriteFolder(dir.Path(), m_before);
        counting.FailAt(nFirst);
        ASSERT_FALSE(ChangeEverything(counting, dir.Path(), m_messages, strError));
        EXPECT_NE(strError.find("nothing was changed"), std::string::npos) << strError;
        int nUndone = 0;
        for (int m = nFirst + 1; m <= counting.OperationCount(); ++m) {
            const std::string what = "failing at " + std::to_string(nFirst) + " and " + std::to_string(m);
            const FolderFiles stopped = Stopped(
                [&](CFaultyFileSystem& fs) {
                    fs.FailAt(nFirst);
                    fs.FailAlsoAt(m);
                },
                bDone, strError);
            EXPECT_FALSE(bDone) << what;
            EXPECT_EQ(EntriesWithoutDataFile(stopped), "") << what;
            const bool bLeft = stopped.count("PELMAR.JNL") != 0;
            EXPECT_EQ(bLeft, strError.find("PELMAR.JNL remains") != std::string::npos) << what << ": " << strError;
            const FolderFiles now = Next(stopped, nullptr, what);
            // What the failed run said is what the next run makes of the folder.
            const bool bEither = strError.find("finishes or undoes") != std::string::npos;
            const bool bFinishes = strError.find("finishes this one") != std::string::npos;
            EXPECT_TRUE(now == (bFinishes ? m_after : m_before) || (bEither && now == m_after))
                << what << ": " << strError;
            nUndone += bLeft ? 1 : 0;
        }
        EXPECT_GT(nUndone, 0) << nFirst;
    }
}

} // namespace
