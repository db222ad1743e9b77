// What only the Windows file system does: UTF-16 names, sharing modes that refuse a rename,
// locks that belong to another process. Built into platform_tests on Windows only.
#ifdef _WIN32

#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#undef ReplaceFile

namespace {

// The lock file that the child process of Win32Lock.OtherProcessHoldsIt is to take.
constexpr wchar_t kLockHolderVariable[] = L"PELMAR_TEST_LOCK_HOLDER";

bool WriteWhole(CFileSystem& fs, const std::filesystem::path& path, EOpenMode mode, const std::string& bytes) {
    auto pFile = fs.Open(path, mode);
    return pFile && pFile->Write(bytes.data(), bytes.size()) && pFile->Sync() && pFile->Close();
}

std::string ReadWhole(CFileSystem& fs, const std::filesystem::path& path) {
    return ReadWholeFile(fs, path, 1 << 20).value_or("<unreadable>");
}

TEST(Win32FileSystem, NonAsciiFolderHoldsADatabase) {
    CFileSystem& fs = GetSystemFileSystem();
    CTempDir temp;
    // Letters outside every ANSI code page at once: Greek, Cyrillic, CJK and an emoji (a
    // surrogate pair in UTF-16).
    const std::string folderName = "Kurse Z\xC3\xBCrich \xCE\xA9\xCE\xBC \xD0\x96 \xE6\xA0\xAA \xF0\x9F\x93\x88";
    const std::filesystem::path dir = temp.Path() / Utf8Path(folderName);
    ASSERT_TRUE(std::filesystem::create_directory(dir));
    ASSERT_EQ(fs.Status(dir).kind, EEntryKind::Directory);

    const std::filesystem::path lockFile = dir / Utf8Path("PELMAR.LCK");
    ELockResult result = ELockResult::Failed;
    auto pLock = fs.TryLock(lockFile, result);
    ASSERT_EQ(result, ELockResult::Locked);

    const std::filesystem::path temporary = dir / Utf8Path("\xC3\x84rger.pelmar-0badf00d");
    const std::filesystem::path target = dir / Utf8Path("\xC3\x84rger");
    ASSERT_TRUE(WriteWhole(fs, target, EOpenMode::Create, "old"));
    ASSERT_TRUE(WriteWhole(fs, temporary, EOpenMode::CreateNew, "new bytes"));
    EXPECT_FALSE(fs.Open(temporary, EOpenMode::CreateNew));
    ASSERT_TRUE(fs.ReplaceFile(temporary, target));
    EXPECT_TRUE(fs.SyncDirectory(dir));
    EXPECT_EQ(ReadWhole(fs, target), "new bytes");
    EXPECT_EQ(fs.Status(target).nSize, 9u);

    auto names = fs.ListDirectory(dir);
    ASSERT_TRUE(names);
    std::sort(names->begin(), names->end());
    EXPECT_EQ(*names, (std::vector<std::string>{"PELMAR.LCK", "\xC3\x84rger"}));
    EXPECT_EQ(PathUtf8(dir.filename()), folderName);

    const auto id = fs.FileId(dir);
    ASSERT_TRUE(id);
    EXPECT_EQ(fs.FileId(dir / "."), id);
    EXPECT_NE(fs.FileId(temp.Path()), id);
    EXPECT_NE(fs.FileId(target), id);

    pLock.reset();
    EXPECT_EQ(fs.Status(lockFile).kind, EEntryKind::Missing);
    EXPECT_TRUE(fs.RemoveFile(target));
    EXPECT_EQ(fs.ListDirectory(dir), std::vector<std::string>{});
}

// Another program (a virus scanner, the charting software) holding the target open without
// sharing its deletion: the rename fails and leaves both files whole; once it lets go, the
// same rename succeeds.
TEST(Win32FileSystem, RenameOverFileHeldOpenFailsAndKeepsIt) {
    CFileSystem& fs = GetSystemFileSystem();
    CTempDir temp;
    const std::filesystem::path target = temp.Path() / "MASTER";
    const std::filesystem::path temporary = temp.Path() / "MASTER.pelmar-12345678";
    ASSERT_TRUE(WriteWhole(fs, target, EOpenMode::Create, std::string(53 * 3, 'm')));
    ASSERT_TRUE(WriteWhole(fs, temporary, EOpenMode::CreateNew, std::string(53 * 4, 'n')));

    HANDLE hOther = ::CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hOther, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(fs.ReplaceFile(temporary, target));
    EXPECT_FALSE(fs.RemoveFile(target));
    EXPECT_EQ(ReadWhole(fs, target), std::string(53 * 3, 'm'));
    EXPECT_EQ(ReadWhole(fs, temporary), std::string(53 * 4, 'n'));
    ::CloseHandle(hOther);

    EXPECT_TRUE(fs.ReplaceFile(temporary, target));
    EXPECT_EQ(ReadWhole(fs, target), std::string(53 * 4, 'n'));
    EXPECT_EQ(fs.Status(temporary).kind, EEntryKind::Missing);
}

// A file with the read-only attribute is never written through; a device name is no file to
// read or create.
TEST(Win32FileSystem, ReadOnlyFilesAndDevicesAreRefused) {
    CFileSystem& fs = GetSystemFileSystem();
    CTempDir temp;
    const std::filesystem::path target = temp.Path() / "EMASTER";
    ASSERT_TRUE(WriteWhole(fs, target, EOpenMode::Create, "kept"));
    ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(fs.Open(target, EOpenMode::Create));
    EXPECT_EQ(ReadWhole(fs, target), "kept");

    EXPECT_FALSE(fs.Open(Utf8Path("NUL"), EOpenMode::Read));
    EXPECT_FALSE(fs.Open(temp.Path() / "NUL", EOpenMode::Create));
}

// A released lock file that someone else (a backup program, a virus scanner) still has open
// lingers, refusing every open, until they close it; on newer systems its name goes at once.
// Either way the next run waits, never fails.
TEST(Win32Lock, FileOnItsWayOutIsBusyNotFailed) {
    CFileSystem& fs = GetSystemFileSystem();
    CTempDir temp;
    const std::filesystem::path lockFile = temp.Path() / "PELMAR.LCK";
    ELockResult result = ELockResult::Failed;
    auto pLock = fs.TryLock(lockFile, result);
    ASSERT_EQ(result, ELockResult::Locked);
    HANDLE hOther = ::CreateFileW(lockFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hOther, INVALID_HANDLE_VALUE);
    pLock.reset();

    auto pNext = fs.TryLock(lockFile, result);
    EXPECT_NE(result, ELockResult::Failed);
    pNext.reset();
    ::CloseHandle(hOther);
    pNext = fs.TryLock(lockFile, result);
    EXPECT_EQ(result, ELockResult::Locked);
}

// Run only as the child of OtherProcessHoldsIt: takes the lock named by the environment,
// tells the parent through a marker file and waits to be killed.
TEST(Win32Lock, DISABLED_HoldForParent) {
    wchar_t lockName[MAX_PATH * 4];
    const DWORD nLength = ::GetEnvironmentVariableW(kLockHolderVariable, lockName, MAX_PATH * 4);
    ASSERT_TRUE(nLength > 0 && nLength < MAX_PATH * 4);
    const std::filesystem::path lockFile(std::wstring(lockName, nLength));
    ELockResult result = ELockResult::Failed;
    auto pLock = GetSystemFileSystem().TryLock(lockFile, result);
    ASSERT_EQ(result, ELockResult::Locked);
    ASSERT_TRUE(WriteWhole(GetSystemFileSystem(), lockFile.parent_path() / "held", EOpenMode::CreateNew, ""));
    ::Sleep(60 * 1000);
}

// The lock is the system's, held by another process, and goes with that process however it
// ends: the lock file that a killed holder leaves behind is simply locked again.
TEST(Win32Lock, OtherProcessHoldsIt) {
    CFileSystem& fs = GetSystemFileSystem();
    CTempDir temp;
    const std::filesystem::path lockFile = temp.Path() / "PELMAR.LCK";

    wchar_t exe[MAX_PATH * 4];
    ASSERT_GT(::GetModuleFileNameW(nullptr, exe, MAX_PATH * 4), 0u);
    std::wstring commandLine = L"\"" + std::wstring(exe) +
                               L"\" --gtest_also_run_disabled_tests --gtest_filter=Win32Lock.DISABLED_HoldForParent";
    ASSERT_TRUE(::SetEnvironmentVariableW(kLockHolderVariable, lockFile.c_str()));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    const BOOL bStarted = ::CreateProcessW(exe, commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                                           &startup, &child);
    ::SetEnvironmentVariableW(kLockHolderVariable, nullptr);
    ASSERT_TRUE(bStarted);
    ::CloseHandle(child.hThread);

    bool bHeld = false;
    for (int nWait = 0; nWait < 3000 && !bHeld; ++nWait) {
        bHeld = fs.Status(temp.Path() / "held").kind == EEntryKind::File;
        if (!bHeld && ::WaitForSingleObject(child.hProcess, 10) != WAIT_TIMEOUT) {
            break;
        }
    }
    ELockResult result = ELockResult::Failed;
    if (bHeld) {
        EXPECT_FALSE(fs.TryLock(lockFile, result));
        EXPECT_EQ(result, ELockResult::Busy);
    }
    ::TerminateProcess(child.hProcess, 9);
    ::WaitForSingleObject(child.hProcess, INFINITE);
    ::CloseHandle(child.hProcess);
    ASSERT_TRUE(bHeld) << "the child process never took the lock";

    EXPECT_EQ(fs.Status(lockFile).kind, EEntryKind::File);
    auto pLock = fs.TryLock(lockFile, result);
    EXPECT_EQ(result, ELockResult::Locked);
    EXPECT_TRUE(pLock);
}

} // namespace

#endif
