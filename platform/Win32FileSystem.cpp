#include "platform/BufferedFile.h"
#include "platform/FileSystem.h"

#include "platform/Win32Text.h"

#include <algorithm>
#include <string>
#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The API's macros would rename the seam's own methods of these names.
#undef ReplaceFile
#undef GetCurrentDirectory

namespace {

// The most one ReadFile or WriteFile call moves; its count is a DWORD.
constexpr std::size_t kMaxTransfer = 1u << 30;
// Every other opener may still read, write, rename or remove the file, as on POSIX.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The empty path stands for the current directory, as the POSIX seam takes it.
const wchar_t* NativePath(const std::filesystem::path& path) {
    return path.empty() ? L"." : path.c_str();
}

class CHandle {
public:
    explicit CHandle(HANDLE h = INVALID_HANDLE_VALUE) : m_h(h) {}
    ~CHandle() {
        if (Valid()) {
            ::CloseHandle(m_h);
        }
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    bool Valid() const { return m_h != INVALID_HANDLE_VALUE && m_h != nullptr; }
    HANDLE Get() const { return m_h; }
    HANDLE Release() {
        HANDLE h = m_h;
        m_h = INVALID_HANDLE_VALUE;
        return h;
    }

private:
    HANDLE m_h;
};

// Opened for no access at all, following links: enough to ask for identity and attributes,
// and it conflicts with no other opener's sharing.
HANDLE OpenForQuery(const std::filesystem::path& path) {
    return ::CreateFileW(NativePath(path), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                         nullptr);
}

SFileId IdOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return SFileId{info.dwVolumeSerialNumber,
                   (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

std::optional<BY_HANDLE_FILE_INFORMATION> InfoOf(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(h, &info)) {
        return std::nullopt;
    }
    return info;
}

bool WriteAll(HANDLE h, const char* pData, std::size_t size) {
    while (size > 0) {
        const DWORD nChunk = static_cast<DWORD>(std::min(size, kMaxTransfer));
        DWORD nWritten = 0;
        if (!::WriteFile(h, pData, nChunk, &nWritten, nullptr) || nWritten == 0) {
            return false;
        }
        pData += nWritten;
        size -= nWritten;
    }
    return true;
}

class CWin32File : public CBufferedFile {
public:
    explicit CWin32File(HANDLE h) : m_h(h) {}

    ~CWin32File() override {
        if (m_h != INVALID_HANDLE_VALUE) {
            Flush();
            ::CloseHandle(m_h);
        }
    }

protected:
    bool IsOpen() const override { return m_h != INVALID_HANDLE_VALUE; }

    std::ptrdiff_t ReadRaw(void* pBuffer, std::size_t size) override {
        DWORD nRead = 0;
        if (!::ReadFile(m_h, pBuffer, static_cast<DWORD>(std::min(size, kMaxTransfer)), &nRead, nullptr)) {
            return -1;
        }
        return static_cast<std::ptrdiff_t>(nRead);
    }

    bool WriteRaw(const char* pData, std::size_t size) override { return WriteAll(m_h, pData, size); }

    bool SeekRaw(std::uint64_t offset) override {
        if (offset > static_cast<std::uint64_t>(MAXLONGLONG)) {
            return false;
        }
        LARGE_INTEGER distance;
        distance.QuadPart = static_cast<LONGLONG>(offset);
        return ::SetFilePointerEx(m_h, distance, nullptr, FILE_BEGIN) != 0;
    }

    std::optional<std::uint64_t> SizeRaw() override {
        LARGE_INTEGER size;
        if (!::GetFileSizeEx(m_h, &size)) {
            return std::nullopt;
        }
        return static_cast<std::uint64_t>(size.QuadPart);
    }

    bool TruncateRaw(std::uint64_t size) override {
        if (size > static_cast<std::uint64_t>(MAXLONGLONG)) {
            return false;
        }
        // SetEndOfFile cuts at the file pointer: moved there and back.
        LARGE_INTEGER zero{};
        LARGE_INTEGER position;
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(size);
        return ::SetFilePointerEx(m_h, zero, &position, FILE_CURRENT) &&
               ::SetFilePointerEx(m_h, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(m_h) &&
               ::SetFilePointerEx(m_h, position, nullptr, FILE_BEGIN);
    }

    bool SyncRaw() override { return ::FlushFileBuffers(m_h) != 0; }

    bool CloseRaw() override {
        const bool bClosed = ::CloseHandle(m_h) != 0;
        m_h = INVALID_HANDLE_VALUE;
        return bClosed;
    }

private:
    HANDLE m_h;
};

// A symbolic link or a junction; other reparse points (files held by a cloud drive) are
// ordinary files to their users.
bool IsLink(HANDLE h, const BY_HANDLE_FILE_INFORMATION& info) {
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return false;
    }
    FILE_ATTRIBUTE_TAG_INFO tag;
    return !::GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag) ||
           IsReparseTagNameSurrogate(tag.ReparseTag);
}

// Only a file on a disk counts: a device name such as NUL or CON opens too, and a pipe. With
// FILE_FLAG_OPEN_REPARSE_POINT a link is opened itself, and refused.
HANDLE OpenRegular(const std::filesystem::path& path, DWORD nAccess, DWORD nDisposition, DWORD nFlags) {
    CHandle h(::CreateFileW(path.c_str(), nAccess, kShareAll, nullptr, nDisposition, nFlags, nullptr));
    if (!h.Valid() || ::GetFileType(h.Get()) != FILE_TYPE_DISK) {
        return INVALID_HANDLE_VALUE;
    }
    const auto info = InfoOf(h.Get());
    if (!info || (info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        ((nFlags & FILE_FLAG_OPEN_REPARSE_POINT) != 0 && IsLink(h.Get(), *info))) {
        return INVALID_HANDLE_VALUE;
    }
    return h.Release();
}

// Whether the entry is itself a symbolic link or a junction, asked without opening it.
bool IsLinkEntry(const std::filesystem::path& path) {
    WIN32_FIND_DATAW data;
    HANDLE hFind = ::FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (hFind == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::FindClose(hFind);
    return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(data.dwReserved0);
}

// The lock holds its handle; the file is removed while still locked, so the next holder's
// identity check sees that this one is gone.
class CWin32FileLock : public CFileLock {
public:
    CWin32FileLock(HANDLE h, std::filesystem::path path) : m_h(h), m_path(std::move(path)) {}
    ~CWin32FileLock() override {
        // The handle shares deletion, so the name goes now (or once the handle closes, on
        // systems that keep a deleted file's name until then).
        ::DeleteFileW(m_path.c_str());
        ::CloseHandle(m_h);
    }

private:
    HANDLE m_h;
    std::filesystem::path m_path;
};

// A file removed while another handle is still open waits for that handle to close, and
// until then refuses every open, even one that only asks for its attributes, as "access
// denied". A file that shows its attributes refuses for good (read-only, no permission).
bool IsDeletePending(const std::filesystem::path& path) {
    return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES && ::GetLastError() == ERROR_ACCESS_DENIED;
}

class CWin32FileSystem : public CFileSystem {
public:
    std::unique_ptr<CFile> Open(const std::filesystem::path& path, EOpenMode mode) override {
        HANDLE h = INVALID_HANDLE_VALUE;
        switch (mode) {
        case EOpenMode::Read:
            h = OpenRegular(path, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
            break;
        case EOpenMode::Create: {
            const DWORD nAttributes = ::GetFileAttributesW(path.c_str());
            if (nAttributes != INVALID_FILE_ATTRIBUTES) {
                if ((nAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsLinkEntry(path)) {
                    // Replace the link itself; whatever it points to stays untouched.
                    const bool bRemoved = (nAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                                              ? ::RemoveDirectoryW(path.c_str()) != 0
                                              : ::DeleteFileW(path.c_str()) != 0;
                    if (!bRemoved) {
                        return nullptr;
                    }
                } else if ((nAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
                    return nullptr;
                }
            }
            // A link that appears meanwhile is opened itself, never followed.
            h = OpenRegular(path, GENERIC_WRITE, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT);
            break;
        }
        case EOpenMode::CreateNew:
            h = OpenRegular(path, GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT);
            break;
        case EOpenMode::ReadNoLink:
            h = OpenRegular(path, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT);
            break;
        case EOpenMode::Update: {
            const DWORD nAttributes = ::GetFileAttributesW(path.c_str());
            if (nAttributes == INVALID_FILE_ATTRIBUTES || (nAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
                return nullptr;
            }
            h = OpenRegular(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT);
            break;
        }
        }
        if (h == INVALID_HANDLE_VALUE) {
            return nullptr;
        }
        return std::make_unique<CWin32File>(h);
    }

    bool RemoveFile(const std::filesystem::path& path) override {
        return ::DeleteFileW(path.c_str()) != 0;
    }

    bool ReplaceFile(const std::filesystem::path& temporary, const std::filesystem::path& target) override {
        const DWORD nAttributes = ::GetFileAttributesW(target.c_str());
        if (nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
            return false;
        }
        // Fails, leaving both files as they were, while another program holds the target
        // open without sharing its deletion.
        return ::MoveFileExW(temporary.c_str(), target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }

    bool SyncFiles(const std::vector<std::filesystem::path>& paths) override {
        // FlushFileBuffers asks for a handle with write access; it flushes whatever any handle
        // wrote to the file.
        for (const std::filesystem::path& path : paths) {
            const CHandle h(::CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!h.Valid() || !::FlushFileBuffers(h.Get())) {
                return false;
            }
        }
        return true;
    }

    // MoveFileExW with write-through has already made the rename durable.
    bool SyncDirectory(const std::filesystem::path& dir) override {
        const DWORD nAttributes = ::GetFileAttributesW(NativePath(dir));
        return nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }

    SEntryStatus Status(const std::filesystem::path& path) override {
        SEntryStatus status;
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!::GetFileAttributesExW(NativePath(path), GetFileExInfoStandard, &data)) {
            return status;
        }
        DWORD nAttributes = data.dwFileAttributes;
        std::uint64_t nSize = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        status.bLink = (nAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsLinkEntry(path);
        if ((nAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            // These attributes are the link's own; what it points to decides, as stat() does.
            const CHandle h(OpenForQuery(path));
            const auto info = h.Valid() ? InfoOf(h.Get()) : std::nullopt;
            if (!info) {
                status.kind = EEntryKind::Other; // a dangling link: its name is taken
                return status;
            }
            nAttributes = info->dwFileAttributes;
            nSize = (static_cast<std::uint64_t>(info->nFileSizeHigh) << 32) | info->nFileSizeLow;
        }
        if ((nAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            // A folder's read-only attribute does not keep anyone from writing into it.
            status.kind = EEntryKind::Directory;
            return status;
        }
        status.kind = (nAttributes & FILE_ATTRIBUTE_DEVICE) != 0 ? EEntryKind::Other : EEntryKind::File;
        status.bReadOnly = (nAttributes & FILE_ATTRIBUTE_READONLY) != 0;
        status.nSize = status.kind == EEntryKind::File ? nSize : 0;
        return status;
    }

    std::optional<std::vector<std::string>> ListDirectory(const std::filesystem::path& dir) override {
        const DWORD nAttributes = ::GetFileAttributesW(NativePath(dir));
        if (nAttributes == INVALID_FILE_ATTRIBUTES || (nAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            return std::nullopt;
        }
        const std::wstring pattern = (dir.empty() ? std::filesystem::path(L".") : dir).native() + L"\\*";
        WIN32_FIND_DATAW data;
        HANDLE hFind = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                          FIND_FIRST_EX_LARGE_FETCH);
        std::vector<std::string> names;
        if (hFind == INVALID_HANDLE_VALUE) {
            // A drive's root has no "." entry: when empty, it has no entry at all.
            if (::GetLastError() == ERROR_FILE_NOT_FOUND) {
                return names;
            }
            return std::nullopt;
        }
        do {
            const std::wstring_view name = data.cFileName;
            if (name != L"." && name != L"..") {
                names.push_back(WideToUtf8(name));
            }
        } while (::FindNextFileW(hFind, &data));
        const bool bOk = ::GetLastError() == ERROR_NO_MORE_FILES;
        ::FindClose(hFind);
        if (!bOk) {
            return std::nullopt;
        }
        return names;
    }

    std::optional<SFileId> FileId(const std::filesystem::path& path) override {
        const CHandle h(OpenForQuery(path));
        const auto info = h.Valid() ? InfoOf(h.Get()) : std::nullopt;
        if (!info) {
            return std::nullopt;
        }
        return IdOf(*info);
    }

    std::unique_ptr<CFileLock> TryLock(const std::filesystem::path& lockFile, ELockResult& result) override {
        // The previous holder may remove the file between our open and our lock: that lock
        // guards nothing, so the file is opened afresh a few times before giving up as busy.
        for (int nTry = 0; nTry < 8; ++nTry) {
            CHandle h(::CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
            if (!h.Valid()) {
                // A lock file that its holder has just removed refuses to open until the
                // holder's handle closes, a moment later.
                if (::GetLastError() == ERROR_ACCESS_DENIED && IsDeletePending(lockFile)) {
                    ::Sleep(1);
                    continue;
                }
                result = ELockResult::Failed;
                return nullptr;
            }
            const auto held = InfoOf(h.Get());
            if (!held || IsLink(h.Get(), *held)) {
                result = ELockResult::Failed;
                return nullptr;
            }
            OVERLAPPED overlapped = {};
            if (!::LockFileEx(h.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                              &overlapped)) {
                const DWORD nError = ::GetLastError();
                result = nError == ERROR_LOCK_VIOLATION || nError == ERROR_IO_PENDING ? ELockResult::Busy
                                                                                        : ELockResult::Failed;
                return nullptr;
            }
            const auto named = FileId(lockFile);
            if (named && IdOf(*held) == *named) {
                result = ELockResult::Locked;
                return std::make_unique<CWin32FileLock>(h.Release(), lockFile);
            }
        }
        result = ELockResult::Busy;
        return nullptr;
    }

    std::optional<std::filesystem::path> GetCurrentDirectory() override {
        std::wstring dir(MAX_PATH, L'\0');
        for (;;) {
            const DWORD nLength = ::GetCurrentDirectoryW(static_cast<DWORD>(dir.size()), dir.data());
            if (nLength == 0) {
                return std::nullopt;
            }
            if (nLength < dir.size()) {
                dir.resize(nLength);
                return std::filesystem::path(dir);
            }
            // Too small: nLength is the size needed, its NUL included.
            dir.resize(nLength);
        }
    }
};

} // namespace

CFileSystem& GetSystemFileSystem() {
    static CWin32FileSystem fileSystem;
    return fileSystem;
}
