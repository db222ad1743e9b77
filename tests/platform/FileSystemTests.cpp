#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FileSystem : public ::testing::Test {
protected:
    static bool WriteThrough(const std::filesystem::path& path, EOpenMode mode, const std::string& bytes) {
        auto pFile = GetSystemFileSystem().Open(path, mode);
        return pFile && pFile->Write(bytes.data(), bytes.size()) && pFile->Close();
    }

    static mode_t ModeOf(const std::filesystem::path& path) {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
        return st.st_mode & 07777;
    }

    CFileSystem& m_fs = GetSystemFileSystem();
    CTempDir m_dir;
};

// Lets files grow to nBytes only, the nearest thing to a full disk that a test can set up.
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t nBytes) {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limit = m_previous;
        limit.rlim_cur = nBytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int);
};

TEST_F(FileSystem, CreateReplacesASymbolicLinkAndLeavesItsTargetAlone) {
    ASSERT_TRUE(WriteFile(m_dir / "target", "keep"));
    std::filesystem::create_symlink(m_dir / "target", m_dir / "F1.DAT");

    EXPECT_TRUE(WriteThrough(m_dir / "F1.DAT", EOpenMode::Create, "new"));

    EXPECT_FALSE(std::filesystem::is_symlink(m_dir / "F1.DAT"));
    EXPECT_EQ(ReadFile(m_dir / "F1.DAT"), "new");
    EXPECT_EQ(ReadFile(m_dir / "target"), "keep");
}

TEST_F(FileSystem, CreateReplacesADanglingSymbolicLink) {
    std::filesystem::create_symlink(m_dir / "nowhere", m_dir / "F1.DAT");
    EXPECT_TRUE(WriteThrough(m_dir / "F1.DAT", EOpenMode::Create, "new"));
    EXPECT_EQ(ReadFile(m_dir / "F1.DAT"), "new");
    EXPECT_FALSE(Exists(m_dir / "nowhere"));
}

TEST_F(FileSystem, CreateTruncatesAnExistingFile) {
    ASSERT_TRUE(WriteFile(m_dir / "F1.DAT", "a much longer old content"));
    EXPECT_TRUE(WriteThrough(m_dir / "F1.DAT", EOpenMode::Create, "new"));
    EXPECT_EQ(ReadFile(m_dir / "F1.DAT"), "new");
}

TEST_F(FileSystem, CreateAndAppendRefuseAReadOnlyFileAndLeaveIt) {
    ASSERT_TRUE(WriteFile(m_dir / "F1.DAT", "old"));
    std::filesystem::permissions(m_dir / "F1.DAT", std::filesystem::perms::owner_read | std::filesystem::perms::group_read);

    EXPECT_EQ(m_fs.Open(m_dir / "F1.DAT", EOpenMode::Create), nullptr);
    EXPECT_EQ(m_fs.Open(m_dir / "F1.DAT", EOpenMode::Append), nullptr);
    EXPECT_EQ(ReadFile(m_dir / "F1.DAT"), "old");
    EXPECT_NE(m_fs.Open(m_dir / "F1.DAT", EOpenMode::Read), nullptr);
}

TEST_F(FileSystem, AppendAddsAtTheEndAndNeverFollowsALink) {
    ASSERT_TRUE(WriteFile(m_dir / "F1.DAT", "head"));
    EXPECT_TRUE(WriteThrough(m_dir / "F1.DAT", EOpenMode::Append, "+bar"));
    EXPECT_EQ(ReadFile(m_dir / "F1.DAT"), "head+bar");

    std::filesystem::create_symlink(m_dir / "F1.DAT", m_dir / "F2.DAT");
    EXPECT_EQ(m_fs.Open(m_dir / "F2.DAT", EOpenMode::Append), nullptr);
    EXPECT_EQ(m_fs.Open(m_dir / "F3.DAT", EOpenMode::Append), nullptr);
    EXPECT_EQ(ReadFile(m_dir / "F1.DAT"), "head+bar");
    EXPECT_FALSE(Exists(m_dir / "F3.DAT"));
}

TEST_F(FileSystem, OnlyRegularFilesOpenSoThatNothingHangs) {
    std::filesystem::create_directory(m_dir / "MASTER");
    ASSERT_EQ(::mkfifo((m_dir / "pipe").c_str(), 0666), 0);

    for (EOpenMode mode : {EOpenMode::Read, EOpenMode::Create, EOpenMode::Append}) {
        EXPECT_EQ(m_fs.Open(m_dir / "MASTER", mode), nullptr);
        EXPECT_EQ(m_fs.Open(m_dir / "pipe", mode), nullptr);
    }
    EXPECT_EQ(m_fs.Open(m_dir / "missing", EOpenMode::Read), nullptr);
}

TEST_F(FileSystem, BufferedWritesOfMixedSizesArriveInOrder) {
    std::string expected;
    auto pFile = m_fs.Open(m_dir / "out", EOpenMode::Create);
    ASSERT_TRUE(pFile);
    for (std::size_t size : {10u, 100000u, 65531u, 1u, 65536u, 3u, 70000u}) {
        const std::string piece(size, static_cast<char>('a' + expected.size() % 26));
        ASSERT_TRUE(pFile->Write(piece.data(), piece.size()));
        expected += piece;
    }
    EXPECT_EQ(pFile->Size(), expected.size());
    ASSERT_TRUE(pFile->Close());
    EXPECT_EQ(ReadFile(m_dir / "out"), expected);
}

TEST_F(FileSystem, ReadAfterSeekStartsAtTheOffset) {
    ASSERT_TRUE(WriteFile(m_dir / "in", "0123456789"));
    auto pFile = m_fs.Open(m_dir / "in", EOpenMode::Read);
    ASSERT_TRUE(pFile);
    ASSERT_TRUE(pFile->Seek(7));
    char buffer[8] = {};
    EXPECT_EQ(pFile->Read(buffer, sizeof buffer), 3);
    EXPECT_EQ(std::string(buffer, 3), "789");
    EXPECT_EQ(pFile->Read(buffer, sizeof buffer), 0);
}

TEST_F(FileSystem, CloseReportsABufferedWriteThatDidNotFit) {
    auto pFile = m_fs.Open(m_dir / "out", EOpenMode::Create);
    ASSERT_TRUE(pFile);
    const std::string bytes(5000, 'x');
    CFileSizeLimit limit(1000);
    ASSERT_TRUE(pFile->Write(bytes.data(), bytes.size())); // still in the buffer
    EXPECT_FALSE(pFile->Close());
}

TEST_F(FileSystem, SyncReportsAWriteThatDidNotFit) {
    auto pFile = m_fs.Open(m_dir / "out", EOpenMode::Create);
    ASSERT_TRUE(pFile);
    const std::string bytes(5000, 'x');
    CFileSizeLimit limit(1000);
    ASSERT_TRUE(pFile->Write(bytes.data(), bytes.size()));
    EXPECT_FALSE(pFile->Sync());
    EXPECT_FALSE(pFile->Write("y", 1)); // a lost write is never forgotten
    EXPECT_FALSE(pFile->Close());
}

TEST_F(FileSystem, CopyFileCopiesBytesAndLeavesNoTemporary) {
    std::string bytes;
    for (int i = 0; i < 200000; ++i) {
        bytes += static_cast<char>(i * 7);
    }
    ASSERT_TRUE(WriteFile(m_dir / "MASTER", bytes));
    ASSERT_TRUE(WriteFile(m_dir / "MASTER.BAK", "older backup"));

    EXPECT_TRUE(m_fs.CopyFile(m_dir / "MASTER", m_dir / "MASTER.BAK"));

    EXPECT_EQ(ReadFile(m_dir / "MASTER.BAK"), bytes);
    EXPECT_EQ(ReadFile(m_dir / "MASTER"), bytes);
    EXPECT_EQ(m_dir.Entries(), (std::vector<std::string>{"MASTER", "MASTER.BAK"}));
}

TEST_F(FileSystem, CopyFileKeepsTheModeOfTheFileItReplaces) {
    ASSERT_TRUE(WriteFile(m_dir / "from", "new"));
    ASSERT_TRUE(WriteFile(m_dir / "to", "old"));
    ::chmod((m_dir / "from").c_str(), 0600);
    ::chmod((m_dir / "to").c_str(), 0640);

    ASSERT_TRUE(m_fs.CopyFile(m_dir / "from", m_dir / "to"));
    EXPECT_EQ(ModeOf(m_dir / "to"), 0640u);

    ASSERT_TRUE(m_fs.CopyFile(m_dir / "from", m_dir / "fresh"));
    EXPECT_EQ(ModeOf(m_dir / "fresh"), 0600u);
}

TEST_F(FileSystem, CopyFileRefusesAReadOnlyTargetAndLeavesItIntact) {
    ASSERT_TRUE(WriteFile(m_dir / "in.txt", "new"));
    ASSERT_TRUE(WriteFile(m_dir / "in.txt.BAK", "precious"));
    ::chmod((m_dir / "in.txt.BAK").c_str(), 0444);

    EXPECT_FALSE(m_fs.CopyFile(m_dir / "in.txt", m_dir / "in.txt.BAK"));

    EXPECT_EQ(ReadFile(m_dir / "in.txt.BAK"), "precious");
    EXPECT_EQ(ModeOf(m_dir / "in.txt.BAK"), 0444u);
    EXPECT_EQ(m_dir.Entries(), (std::vector<std::string>{"in.txt", "in.txt.BAK"}));
}

TEST_F(FileSystem, CopyFileThatRunsOutOfSpaceLeavesTargetAndNoTemporary) {
    const std::string bytes(300000, 'n');
    ASSERT_TRUE(WriteFile(m_dir / "from", bytes));
    ASSERT_TRUE(WriteFile(m_dir / "to", "old"));
    {
        CFileSizeLimit limit(100000);
        EXPECT_FALSE(m_fs.CopyFile(m_dir / "from", m_dir / "to"));
    }
    EXPECT_EQ(ReadFile(m_dir / "to"), "old");
    EXPECT_EQ(m_dir.Entries(), (std::vector<std::string>{"from", "to"}));
}

TEST_F(FileSystem, CopyFileFromAMissingOrUnreadableSourceChangesNothing) {
    ASSERT_TRUE(WriteFile(m_dir / "to", "old"));
    std::filesystem::create_directory(m_dir / "dir");
    EXPECT_FALSE(m_fs.CopyFile(m_dir / "missing", m_dir / "to"));
    EXPECT_FALSE(m_fs.CopyFile(m_dir / "dir", m_dir / "to"));
    EXPECT_FALSE(m_fs.CopyFile(m_dir / "to", m_dir / "no" / "such" / "dir"));
    EXPECT_EQ(ReadFile(m_dir / "to"), "old");
    EXPECT_EQ(m_dir.Entries(), (std::vector<std::string>{"dir", "to"}));
}

TEST_F(FileSystem, CopyFileOntoASymbolicLinkReplacesTheLinkOnly) {
    ASSERT_TRUE(WriteFile(m_dir / "from", "new"));
    ASSERT_TRUE(WriteFile(m_dir / "elsewhere", "keep"));
    std::filesystem::create_symlink(m_dir / "elsewhere", m_dir / "to");
    ASSERT_TRUE(m_fs.CopyFile(m_dir / "from", m_dir / "to"));
    EXPECT_FALSE(std::filesystem::is_symlink(m_dir / "to"));
    EXPECT_EQ(ReadFile(m_dir / "to"), "new");
    EXPECT_EQ(ReadFile(m_dir / "elsewhere"), "keep");
}

TEST_F(FileSystem, ReplaceFileMovesTheTemporaryOverTheTarget) {
    ASSERT_TRUE(WriteFile(m_dir / "MASTER.NEW", "new"));
    ASSERT_TRUE(WriteFile(m_dir / "MASTER", "old"));
    EXPECT_TRUE(m_fs.ReplaceFile(m_dir / "MASTER.NEW", m_dir / "MASTER"));
    EXPECT_EQ(ReadFile(m_dir / "MASTER"), "new");
    EXPECT_EQ(m_dir.Entries(), (std::vector<std::string>{"MASTER"}));

    EXPECT_FALSE(m_fs.ReplaceFile(m_dir / "MASTER.NEW", m_dir / "MASTER"));
    EXPECT_EQ(ReadFile(m_dir / "MASTER"), "new");
}

TEST_F(FileSystem, ReplaceFileRefusesAReadOnlyTarget) {
    ASSERT_TRUE(WriteFile(m_dir / "MASTER.NEW", "new"));
    ASSERT_TRUE(WriteFile(m_dir / "MASTER", "old"));
    ::chmod((m_dir / "MASTER").c_str(), 0444);
    EXPECT_FALSE(m_fs.ReplaceFile(m_dir / "MASTER.NEW", m_dir / "MASTER"));
    EXPECT_EQ(ReadFile(m_dir / "MASTER"), "old");
    EXPECT_EQ(ReadFile(m_dir / "MASTER.NEW"), "new");
}

TEST_F(FileSystem, RemoveFileReportsAMissingFile) {
    ASSERT_TRUE(WriteFile(m_dir / "~TEMP.TXT", "x"));
    EXPECT_TRUE(m_fs.RemoveFile(m_dir / "~TEMP.TXT"));
    EXPECT_FALSE(Exists(m_dir / "~TEMP.TXT"));
    EXPECT_FALSE(m_fs.RemoveFile(m_dir / "~TEMP.TXT"));
}

TEST_F(FileSystem, CurrentDirectoryChangesOnlyToAnExistingDirectory) {
    const auto previous = m_fs.GetCurrentDirectory();
    ASSERT_TRUE(previous);
    std::filesystem::create_directory(m_dir / "out");

    EXPECT_FALSE(m_fs.SetCurrentDirectory(m_dir / "missing"));
    EXPECT_EQ(m_fs.GetCurrentDirectory(), previous);
    EXPECT_FALSE(m_fs.SetCurrentDirectory(""));
    EXPECT_EQ(m_fs.GetCurrentDirectory(), previous);

    EXPECT_TRUE(m_fs.SetCurrentDirectory(m_dir / "out"));
    EXPECT_EQ(m_fs.GetCurrentDirectory(), m_dir / "out");
    EXPECT_TRUE(WriteThrough("relative", EOpenMode::Create, "r"));
    EXPECT_EQ(ReadFile(m_dir / "out" / "relative"), "r");

    ASSERT_TRUE(m_fs.SetCurrentDirectory(*previous));
}

} // namespace
