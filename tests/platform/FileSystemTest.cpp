#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

class FileSystem : public ::testing::Test {
protected:
    void MakeReadOnly(const fs::path& path) {
        fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
    // Windows lets only a privileged user make one (and MinGW's library makes none at all).
    static bool MakeLink(const fs::path& target, const fs::path& link) {
        std::error_code error;
        fs::create_symlink(target, link, error);
        return !error;
    }
    static constexpr const char* kNoLinks = "the rest needs symbolic links, which cannot be made here";

    CFileSystem& m_fs = GetSystemFileSystem();
    CTempDir m_dir;
};

TEST_F(FileSystem, LockIsExclusiveAndItsFileGoesWithIt) {
    const fs::path lockFile = m_dir / "PELMAR.LCK";
    ELockResult result = ELockResult::Failed;
    auto pFirst = m_fs.TryLock(lockFile, result);
    ASSERT_TRUE(pFirst);
    EXPECT_EQ(result, ELockResult::Locked);
    EXPECT_FALSE(m_fs.TryLock(lockFile, result)); // a second open file of the same process
    EXPECT_EQ(result, ELockResult::Busy);
    pFirst.reset();
    EXPECT_FALSE(Exists(lockFile));
    // A lock file left behind by a holder that died is simply locked again.
    ASSERT_TRUE(WriteFile(lockFile, "stale"));
    EXPECT_TRUE(m_fs.TryLock(lockFile, result));
    EXPECT_FALSE(m_fs.TryLock(m_dir / "missing" / "PELMAR.LCK", result));
    EXPECT_EQ(result, ELockResult::Failed);
}

TEST_F(FileSystem, CreateNewNeverTouchesAnExistingName) {
    ASSERT_TRUE(WriteFile(m_dir / "F1.DAT", "old"));
    EXPECT_FALSE(m_fs.Open(m_dir / "F1.DAT", EOpenMode::CreateNew));
    EXPECT_EQ(ReadFile(m_dir / "F1.DAT"), "old");

    auto pFile = m_fs.Open(m_dir / "F3.DAT", EOpenMode::CreateNew);
    ASSERT_TRUE(pFile);
    ASSERT_TRUE(pFile->Write("new", 3) && pFile->Sync() && pFile->Close());
    EXPECT_EQ(ReadFile(m_dir / "F3.DAT"), "new");

    if (!MakeLink(m_dir / "nowhere", m_dir / "F2.DAT")) {
        GTEST_SKIP() << kNoLinks;
    }
    EXPECT_FALSE(m_fs.Open(m_dir / "F2.DAT", EOpenMode::CreateNew));
    EXPECT_FALSE(Exists(m_dir / "nowhere"));
}

TEST_F(FileSystem, ReplaceFileRefusesAReadOnlyTarget) {
    ASSERT_TRUE(WriteFile(m_dir / "MASTER", "old"));
    ASSERT_TRUE(WriteFile(m_dir / "MASTER.tmp", "new"));
    MakeReadOnly(m_dir / "MASTER");
    EXPECT_FALSE(m_fs.ReplaceFile(m_dir / "MASTER.tmp", m_dir / "MASTER"));
    EXPECT_EQ(ReadFile(m_dir / "MASTER"), "old");
    EXPECT_TRUE(Exists(m_dir / "MASTER.tmp"));

    fs::permissions(m_dir / "MASTER", fs::perms::owner_write, fs::perm_options::add);
    EXPECT_TRUE(m_fs.ReplaceFile(m_dir / "MASTER.tmp", m_dir / "MASTER"));
    EXPECT_EQ(ReadFile(m_dir / "MASTER"), "new");
    EXPECT_FALSE(Exists(m_dir / "MASTER.tmp"));
    EXPECT_TRUE(m_fs.SyncDirectory(m_dir.Path()));
}

TEST_F(FileSystem, StatusListingAndIdentityOfEntries) {
    ASSERT_TRUE(WriteFile(m_dir / "F1.DAT", "12345"));
    MakeReadOnly(m_dir / "F1.DAT");
    fs::create_directory(m_dir / "Sub");

    const SEntryStatus file = m_fs.Status(m_dir / "F1.DAT");
    EXPECT_EQ(file.kind, EEntryKind::File);
    EXPECT_TRUE(file.bReadOnly);
    EXPECT_EQ(file.nSize, 5u);
    EXPECT_EQ(m_fs.Status(m_dir / "Sub").kind, EEntryKind::Directory);
    EXPECT_EQ(m_fs.Status(m_dir / "missing").kind, EEntryKind::Missing);
    auto names = m_fs.ListDirectory(m_dir.Path());
    ASSERT_TRUE(names);
    std::sort(names->begin(), names->end());
    EXPECT_EQ(*names, (std::vector<std::string>{"F1.DAT", "Sub"}));
    EXPECT_FALSE(m_fs.ListDirectory(m_dir / "missing"));
    EXPECT_NE(m_fs.FileId(m_dir / "F1.DAT"), m_fs.FileId(m_dir / "Sub"));
    EXPECT_FALSE(m_fs.FileId(m_dir / "missing"));

    if (!MakeLink(m_dir / "Sub", m_dir / "Link") || !MakeLink(m_dir / "nowhere", m_dir / "Dangling")) {
        GTEST_SKIP() << kNoLinks;
    }
    EXPECT_EQ(m_fs.Status(m_dir / "Dangling").kind, EEntryKind::Other);
    EXPECT_EQ(m_fs.ListDirectory(m_dir.Path()).value_or(std::vector<std::string>{}).size(), 4u) << "links are listed, dangling or not";
    EXPECT_EQ(m_fs.FileId(m_dir / "Link"), m_fs.FileId(m_dir / "Sub"));
}

// Update grows and cuts a file in place; it and ReadNoLink never go through a link, and
// Status says which names are links.
TEST_F(FileSystem, FilesChangedInPlaceAndLinksTold) {
    ASSERT_TRUE(WriteFile(m_dir / "F1.DAT", "0123456789"));
    auto pFile = m_fs.Open(m_dir / "F1.DAT", EOpenMode::Update);
    ASSERT_TRUE(pFile);
    ASSERT_TRUE(pFile->Seek(10) && pFile->Write("ab", 2) && pFile->Seek(0) && pFile->Write("X", 1));
    ASSERT_TRUE(pFile->Truncate(11) && pFile->Close());
    EXPECT_EQ(ReadFile(m_dir / "F1.DAT"), "X123456789a");
    EXPECT_FALSE(m_fs.Open(m_dir / "missing", EOpenMode::Update));
    MakeReadOnly(m_dir / "F1.DAT");
    EXPECT_FALSE(m_fs.Open(m_dir / "F1.DAT", EOpenMode::Update));
    EXPECT_FALSE(m_fs.Status(m_dir / "F1.DAT").bLink);

    if (!MakeLink(m_dir / "F1.DAT", m_dir / "Link.DAT")) {
        GTEST_SKIP() << kNoLinks;
    }
    EXPECT_TRUE(m_fs.Open(m_dir / "Link.DAT", EOpenMode::Read));
    EXPECT_FALSE(m_fs.Open(m_dir / "Link.DAT", EOpenMode::ReadNoLink));
    EXPECT_FALSE(m_fs.Open(m_dir / "Link.DAT", EOpenMode::Update));
    const SEntryStatus link = m_fs.Status(m_dir / "Link.DAT");
    EXPECT_TRUE(link.bLink);
    EXPECT_EQ(link.kind, EEntryKind::File);
    EXPECT_TRUE(m_fs.Status(m_dir / "nowhere").kind == EEntryKind::Missing && !m_fs.Status(m_dir / "nowhere").bLink);
}

} // namespace
