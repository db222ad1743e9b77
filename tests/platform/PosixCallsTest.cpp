// The POSIX file layer on a busy system: every call may be interrupted by a signal (EINTR) and
// a write may store only part of its bytes. Whatever the calls do short of failing, every
// byte arrives; a call that fails for good fails the operation.
#include "platform/PosixCalls.h"
#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include <unistd.h>

namespace {

// Each call is interrupted every other time; writes and reads move at most 3 bytes at once.
int g_nCalls = 0;
bool Interrupt() {
    if (++g_nCalls % 2 == 1) {
        errno = EINTR;
        return true;
    }
    return false;
}
int BusyOpen(const char* pszPath, int flags, mode_t mode) {
    return Interrupt() ? -1 : SystemPosixCalls().pOpen(pszPath, flags, mode);
}
ssize_t BusyRead(int fd, void* pBuffer, size_t size) {
    return Interrupt() ? -1 : ::read(fd, pBuffer, std::min<size_t>(size, 3));
}
ssize_t BusyWrite(int fd, const void* pData, size_t size) {
    return Interrupt() ? -1 : ::write(fd, pData, std::min<size_t>(size, 3));
}
int BusyFsync(int fd) {
    return Interrupt() ? -1 : ::fsync(fd);
}
int BusyFtruncate(int fd, off_t size) {
    return Interrupt() ? -1 : ::ftruncate(fd, size);
}
ssize_t FullDisk(int, const void*, size_t) {
    errno = ENOSPC;
    return -1;
}
ssize_t StoresNothing(int, const void*, size_t) {
    return 0;
}

class PosixCalls : public ::testing::Test {
protected:
    void TearDown() override { ::PosixCalls() = SystemPosixCalls(); }

    CFileSystem& m_fs = GetSystemFileSystem();
    CTempDir m_dir;
};

TEST_F(PosixCalls, InterruptedAndShortCallsStillMoveEveryByte) {
    ::PosixCalls() = {BusyOpen, BusyRead, BusyWrite, BusyFsync, BusyFtruncate};
    std::string bytes(200 * 1024, '\0'); // past the write buffer, so that the raw writes go in pieces
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    }
    auto pFile = m_fs.Open(m_dir / "F1.DAT", EOpenMode::CreateNew);
    ASSERT_TRUE(pFile);
    ASSERT_TRUE(pFile->Write(bytes.data(), 5) && pFile->Write(bytes.data() + 5, bytes.size() - 5));
    ASSERT_TRUE(pFile->Sync() && pFile->Close());
    EXPECT_EQ(ReadWholeFile(m_fs, m_dir / "F1.DAT", 1u << 20), bytes);

    auto pUpdate = m_fs.Open(m_dir / "F1.DAT", EOpenMode::Update);
    ASSERT_TRUE(pUpdate);
    ASSERT_TRUE(pUpdate->Truncate(10) && pUpdate->Seek(2) && pUpdate->Write("xy", 2) && pUpdate->Close());
    EXPECT_EQ(ReadWholeFile(m_fs, m_dir / "F1.DAT", 1u << 20), bytes.substr(0, 2) + "xy" + bytes.substr(4, 6));
    EXPECT_GT(g_nCalls, 1000);
}

TEST_F(PosixCalls, AWriteThatFailsForGoodFailsTheFile) {
    for (auto pWrite : {FullDisk, StoresNothing}) {
        ::PosixCalls() = SystemPosixCalls();
        ::PosixCalls().pWrite = pWrite;
        auto pFile = m_fs.Open(m_dir / "F2.DAT", EOpenMode::Create);
        ASSERT_TRUE(pFile);
        // Buffered until the close, which must then say that the bytes were not stored.
        EXPECT_TRUE(pFile->Write("abc", 3));
        EXPECT_FALSE(pFile->Close());
        const std::string large(100000, 'x'); // past the buffer: written at once, and refused at once
        auto pLarge = m_fs.Open(m_dir / "F3.DAT", EOpenMode::Create);
        ASSERT_TRUE(pLarge);
        EXPECT_FALSE(pLarge->Write(large.data(), large.size()));
        EXPECT_FALSE(pLarge->Write("a", 1)); // once lost, every later write fails too
    }
}

} // namespace
