#include "platform/ReplacementFile.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>

namespace {

class ReplacementFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(WriteFile(m_target, "original MASTER")); }

    // Writes the new content in three pieces and commits; false at the first failure.
    static bool Replace(CFileSystem& fs, const std::filesystem::path& temporary, const std::filesystem::path& target) {
        CReplacementFile file(fs, temporary, target);
        return file.Open() && file.Write("new ", 4) && file.Write("MASTER", 6) &&
               file.Write(" content", 8) && file.Commit();
    }

    CTempDir m_dir;
    std::filesystem::path m_target = m_dir / "MASTER";
    std::filesystem::path m_temporary = m_dir / "MASTER.~NU";
};

TEST_F(ReplacementFile, CommitReplacesTheTargetAndLeavesNoTemporary) {
    ASSERT_TRUE(Replace(GetSystemFileSystem(), m_temporary, m_target));
    EXPECT_EQ(ReadFile(m_target), "new MASTER content");
    EXPECT_EQ(m_dir.Entries(), (std::vector<std::string>{"MASTER"}));
}

TEST_F(ReplacementFile, CommitCreatesAMissingTarget) {
    ASSERT_TRUE(Replace(GetSystemFileSystem(), m_dir / "F1.NEW", m_dir / "F1.DAT"));
    EXPECT_EQ(ReadFile(m_dir / "F1.DAT"), "new MASTER content");
    EXPECT_FALSE(Exists(m_dir / "F1.NEW"));
}

TEST_F(ReplacementFile, EveryFailingOperationKeepsTheOriginalAndRemovesTheTemporary) {
    CFaultyFileSystem fs;
    ASSERT_TRUE(Replace(fs, m_temporary, m_target));
    const int nOperations = fs.OperationCount();
    // Create, three writes, sync, close, rename.
    ASSERT_EQ(nOperations, 7);

    for (bool bPartial : {true, false}) {
        for (int n = 1; n <= nOperations; ++n) {
            ASSERT_TRUE(WriteFile(m_target, "original MASTER"));
            fs.Reset();
            fs.SetPartialWrites(bPartial);
            fs.FailAt(n);
            EXPECT_FALSE(Replace(fs, m_temporary, m_target)) << "operation " << n;
            EXPECT_TRUE(fs.FaultInjected()) << "operation " << n;
            EXPECT_EQ(ReadFile(m_target), "original MASTER") << "operation " << n;
            EXPECT_EQ(m_dir.Entries(), (std::vector<std::string>{"MASTER"})) << "operation " << n;
        }
    }
}

TEST_F(ReplacementFile, AWriteAfterAFailedOneKeepsFailing) {
    CFaultyFileSystem fs;
    fs.FailAt(1, EFault::Write);
    CReplacementFile file(fs, m_temporary, m_target);
    ASSERT_TRUE(file.Open());
    EXPECT_FALSE(file.Write("lost", 4));
    EXPECT_FALSE(file.Write("fine", 4));
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(fs.OperationCount(EFault::Replace), 0);
    EXPECT_EQ(ReadFile(m_target), "original MASTER");
    EXPECT_FALSE(Exists(m_temporary));
}

TEST_F(ReplacementFile, AnUncommittedFileIsDiscardedOnDestruction) {
    {
        CReplacementFile file(GetSystemFileSystem(), m_temporary, m_target);
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(file.Write("half", 4));
        ASSERT_TRUE(Exists(m_temporary));
    }
    EXPECT_FALSE(Exists(m_temporary));
    EXPECT_EQ(ReadFile(m_target), "original MASTER");
}

TEST_F(ReplacementFile, DiscardKeepsTheTargetAndCommitThenFails) {
    CReplacementFile file(GetSystemFileSystem(), m_temporary, m_target);
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(file.Write("x", 1));
    file.Discard();
    EXPECT_FALSE(Exists(m_temporary));
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(ReadFile(m_target), "original MASTER");
}

TEST_F(ReplacementFile, AReadOnlyTargetIsRefusedAtCommit) {
    ::chmod(m_target.c_str(), 0444);
    EXPECT_FALSE(Replace(GetSystemFileSystem(), m_temporary, m_target));
    EXPECT_EQ(ReadFile(m_target), "original MASTER");
    EXPECT_FALSE(Exists(m_temporary));
}

TEST_F(ReplacementFile, ATemporaryThatCannotBeCreatedIsNotRemoved) {
    // Not ours: a read-only file already holds the temporary's name.
    ASSERT_TRUE(WriteFile(m_temporary, "someone else's"));
    ::chmod(m_temporary.c_str(), 0444);
    CReplacementFile file(GetSystemFileSystem(), m_temporary, m_target);
    EXPECT_FALSE(file.Open());
    EXPECT_FALSE(file.Write("x", 1));
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(ReadFile(m_temporary), "someone else's");
    EXPECT_EQ(ReadFile(m_target), "original MASTER");
}

} // namespace
