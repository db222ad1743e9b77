#include "tests/support/FaultyFileSystem.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

class FaultyFileSystem : public ::testing::Test {
protected:
    // Open, write twice, sync, close, copy, replace, remove: one of each kind.
    bool Job() {
        auto pFile = m_fs.Open(m_dir / "F1.NEW", EOpenMode::Create);
        if (!pFile) {
            return false;
        }
        const bool bWritten = pFile->Write("abcd", 4) && pFile->Write("efgh", 4) && pFile->Sync();
        if (!pFile->Close() || !bWritten) {
            return false;
        }
        auto pRead = m_fs.Open(m_dir / "F1.NEW", EOpenMode::Read);
        char buffer[16];
        if (!pRead || pRead->Read(buffer, sizeof buffer) != 8) {
            return false;
        }
        return m_fs.CopyFile(m_dir / "F1.NEW", m_dir / "F1.BAK") &&
               m_fs.ReplaceFile(m_dir / "F1.NEW", m_dir / "F1.DAT") && m_fs.RemoveFile(m_dir / "F1.BAK");
    }

    CTempDir m_dir;
    CFaultyFileSystem m_fs;
};

TEST_F(FaultyFileSystem, CountsEveryOperationInOrder) {
    ASSERT_TRUE(Job());
    EXPECT_EQ(m_fs.Operations(), (std::vector<EFault>{EFault::OpenWrite, EFault::Write, EFault::Write, EFault::Sync,
                                                      EFault::Close, EFault::OpenRead, EFault::Copy, EFault::Replace,
                                                      EFault::Remove}));
    EXPECT_EQ(m_fs.OperationCount(), 9);
    EXPECT_EQ(m_fs.OperationCount(EFault::Write), 2);
    EXPECT_EQ(m_fs.ReadCount(), 1);
    EXPECT_FALSE(m_fs.FaultInjected());
    EXPECT_EQ(ReadFile(m_dir / "F1.DAT"), "abcdefgh");
}

TEST_F(FaultyFileSystem, FailsTheNthOperationAndOnlyThatOne) {
    for (int n = 1; n <= 9; ++n) {
        m_fs.Reset();
        m_fs.FailAt(n);
        EXPECT_FALSE(Job()) << n;
        EXPECT_TRUE(m_fs.FaultInjected()) << n;
        // Counting goes on past the fault, so that nothing else failed before it.
        EXPECT_EQ(m_fs.OperationCount(), n + (n >= 2 && n <= 4 ? 1 : 0)) << n;
    }
    m_fs.Reset();
    EXPECT_TRUE(Job());
}

TEST_F(FaultyFileSystem, FailsTheNthOperationOfOneKind) {
    m_fs.FailAt(2, EFault::Write);
    m_fs.SetPartialWrites(false);
    EXPECT_FALSE(Job());
    EXPECT_EQ(m_fs.Operations().back(), EFault::Close);
    EXPECT_EQ(ReadFile(m_dir / "F1.NEW"), "abcd");

    m_fs.Reset();
    m_fs.FailAt(1, EFault::Remove);
    EXPECT_FALSE(Job());
    EXPECT_TRUE(Exists(m_dir / "F1.BAK"));
}

TEST_F(FaultyFileSystem, AFailingWriteCanStoreHalfItsData) {
    m_fs.FailAt(2, EFault::Write);
    EXPECT_FALSE(Job());
    EXPECT_EQ(ReadFile(m_dir / "F1.NEW"), "abcdef");
}

TEST_F(FaultyFileSystem, FailingOperationsLeaveTheFilesAlone) {
    ASSERT_TRUE(WriteFile(m_dir / "F1.DAT", "old"));
    ASSERT_TRUE(WriteFile(m_dir / "F1.NEW", "new"));
    m_fs.FailAt(1, EFault::Replace);
    EXPECT_FALSE(m_fs.ReplaceFile(m_dir / "F1.NEW", m_dir / "F1.DAT"));
    m_fs.FailAt(1, EFault::Copy);
    EXPECT_FALSE(m_fs.CopyFile(m_dir / "F1.NEW", m_dir / "F1.DAT"));
    m_fs.FailAt(1, EFault::Remove);
    EXPECT_FALSE(m_fs.RemoveFile(m_dir / "F1.NEW"));
    m_fs.FailAt(1, EFault::OpenWrite);
    EXPECT_EQ(m_fs.Open(m_dir / "F1.DAT", EOpenMode::Create), nullptr);
    EXPECT_EQ(ReadFile(m_dir / "F1.DAT"), "old");
    EXPECT_EQ(ReadFile(m_dir / "F1.NEW"), "new");
}

TEST_F(FaultyFileSystem, FailsTheNthReadOutsideTheSequence) {
    m_fs.FailReadAt(1);
    EXPECT_FALSE(Job());
    EXPECT_EQ(m_fs.OperationCount(), 6);
    EXPECT_TRUE(m_fs.FaultInjected());
}

} // namespace
