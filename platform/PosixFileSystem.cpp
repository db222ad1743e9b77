#include "platform/BufferedFile.h"
#include "platform/FileSystem.h"
#include "platform/PosixCalls.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int SystemOpen(const char* pszPath, int flags, mode_t mode) {
    return ::open(pszPath, flags, mode);
}

} // namespace

SPosixCalls SystemPosixCalls() {
    return {SystemOpen, ::read, ::write, ::fsync, ::ftruncate};
}

SPosixCalls& PosixCalls() {
    static SPosixCalls calls = SystemPosixCalls();
    return calls;
}

namespace {

// A file without any write bit is what Windows calls read-only; root may
// still write it, so the bits are tested rather than access().
bool IsReadOnly(const struct stat& st) {
    return (st.st_mode & 0222) == 0;
}

// Writes every byte, resuming after signals and short writes.
bool WriteAll(int fd, const char* pData, std::size_t size) {
    while (size > 0) {
        const ssize_t n = PosixCalls().pWrite(fd, pData, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return false;
        }
        pData += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::ptrdiff_t ReadSome(int fd, void* pBuffer, std::size_t size) {
    for (;;) {
        const ssize_t n = PosixCalls().pRead(fd, pBuffer, size);
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
}

bool SyncFd(int fd) {
    for (;;) {
        if (PosixCalls().pFsync(fd) == 0) {
            return true;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

bool TruncateFd(int fd, std::uint64_t size) {
    if (size > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
        return false;
    }
    for (;;) {
        if (PosixCalls().pFtruncate(fd, static_cast<off_t>(size)) == 0) {
            return true;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

int OpenFd(const char* pszPath, int flags, mode_t mode = 0) {
    for (;;) {
        const int fd = PosixCalls().pOpen(pszPath, flags, mode);
        if (fd >= 0 || errno != EINTR) {
            return fd;
        }
    }
}

// Opened without blocking, so that a FIFO of the name cannot hang the program; only a
// regular file is accepted, then the descriptor goes back to blocking reads and writes
// (Linux ignores the flag for regular files, so there the two calls are saved).
int OpenRegular(const char* pszPath, int flags, mode_t mode = 0) {
    const int fd = OpenFd(pszPath, flags | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0) {
        return -1;
    }
    struct stat st;
    bool bOk = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
#ifndef __linux__
    const int fileFlags = bOk ? ::fcntl(fd, F_GETFL) : -1;
    bOk = bOk && fileFlags >= 0 && ::fcntl(fd, F_SETFL, fileFlags & ~O_NONBLOCK) == 0;
#endif
    if (!bOk) {
        ::close(fd);
        return -1;
    }
    return fd;
}

class CPosixFile : public CBufferedFile {
public:
    explicit CPosixFile(int fd) : m_fd(fd) {}

    ~CPosixFile() override {
        if (m_fd >= 0) {
            Flush();
            ::close(m_fd);
        }
    }

protected:
    bool IsOpen() const override { return m_fd >= 0; }
    std::ptrdiff_t ReadRaw(void* pBuffer, std::size_t size) override { return ReadSome(m_fd, pBuffer, size); }
    bool WriteRaw(const char* pData, std::size_t size) override { return WriteAll(m_fd, pData, size); }

    bool SeekRaw(std::uint64_t offset) override {
        return offset <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) &&
               ::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
    }

    std::optional<std::uint64_t> SizeRaw() override {
        struct stat st;
        if (::fstat(m_fd, &st) != 0) {
            return std::nullopt;
        }
        return static_cast<std::uint64_t>(st.st_size);
    }

    bool TruncateRaw(std::uint64_t size) override { return TruncateFd(m_fd, size); }

    bool SyncRaw() override { return SyncFd(m_fd); }

    bool CloseRaw() override {
        const bool bClosed = ::close(m_fd) == 0;
        m_fd = -1;
        return bClosed;
    }

private:
    int m_fd;
};

// The lock holds its descriptor; the file is unlinked while still locked, so the next
// holder's identity check sees that this one is gone.
class CPosixFileLock : public CFileLock {
public:
    CPosixFileLock(int fd, std::filesystem::path path) : m_fd(fd), m_path(std::move(path)) {}
    ~CPosixFileLock() override {
        ::unlink(m_path.c_str());
        ::close(m_fd);
    }

private:
    int m_fd;
    std::filesystem::path m_path;
};

class CPosixFileSystem : public CFileSystem {
public:
    std::unique_ptr<CFile> Open(const std::filesystem::path& path, EOpenMode mode) override {
        const char* pszPath = path.c_str();
        int fd = -1;
        switch (mode) {
        case EOpenMode::Read:
            fd = OpenRegular(pszPath, O_RDONLY);
            break;
        case EOpenMode::ReadNoLink:
            fd = OpenRegular(pszPath, O_RDONLY | O_NOFOLLOW);
            break;
        case EOpenMode::Update: {
            struct stat st;
            if (::lstat(pszPath, &st) != 0 || IsReadOnly(st)) {
                return nullptr;
            }
            fd = OpenRegular(pszPath, O_RDWR | O_NOFOLLOW);
            break;
        }
        case EOpenMode::Create: {
            struct stat st;
            if (::lstat(pszPath, &st) == 0) {
                if (S_ISLNK(st.st_mode)) {
                    // Replace the link itself; whatever it points to stays untouched.
                    if (::unlink(pszPath) != 0) {
                        return nullptr;
                    }
                } else if (IsReadOnly(st)) {
                    return nullptr;
                }
            }
            fd = OpenRegular(pszPath, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0666);
            break;
        }
        case EOpenMode::CreateNew:
            fd = OpenRegular(pszPath, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
            break;
        }
        if (fd < 0) {
            return nullptr;
        }
        return std::make_unique<CPosixFile>(fd);
    }

    bool RemoveFile(const std::filesystem::path& path) override {
        return ::unlink(path.c_str()) == 0;
    }

    bool ReplaceFile(const std::filesystem::path& temporary, const std::filesystem::path& target) override {
        struct stat st;
        if (::stat(target.c_str(), &st) == 0 && IsReadOnly(st)) {
            return false;
        }
        return ::rename(temporary.c_str(), target.c_str()) == 0;
    }

    bool SyncFiles(const std::vector<std::filesystem::path>& paths) override {
#ifdef __linux__
        // One sync of the whole file system costs one journal commit; a sync per file costs one
        // each, which dominates a batch of a thousand securities.
        constexpr std::size_t kManyFiles = 16;
        if (paths.size() >= kManyFiles) {
            const std::filesystem::path dir = paths.front().parent_path();
            const int fd = OpenFd(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd < 0) {
                return false;
            }
            const bool bSynced = ::syncfs(fd) == 0;
            ::close(fd);
            return bSynced;
        }
#endif
        for (const std::filesystem::path& path : paths) {
            const int fd = OpenRegular(path.c_str(), O_RDONLY);
            if (fd < 0) {
                return false;
            }
            const bool bSynced = SyncFd(fd);
            ::close(fd);
            if (!bSynced) {
                return false;
            }
        }
        return true;
    }

    bool SyncDirectory(const std::filesystem::path& dir) override {
        const int fd = OpenFd(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        const bool bSynced = SyncFd(fd);
        ::close(fd);
        return bSynced;
    }

    SEntryStatus Status(const std::filesystem::path& path) override {
        SEntryStatus status;
        struct stat lst;
        if (::lstat(path.empty() ? "." : path.c_str(), &lst) != 0) {
            return status;
        }
        status.bLink = S_ISLNK(lst.st_mode);
        struct stat st = lst;
        if (status.bLink && ::stat(path.c_str(), &st) != 0) {
            status.kind = EEntryKind::Other; // a dangling link: its name is taken
            return status;
        }
        status.kind = S_ISREG(st.st_mode) ? EEntryKind::File
                      : S_ISDIR(st.st_mode) ? EEntryKind::Directory
                                            : EEntryKind::Other;
        status.bReadOnly = IsReadOnly(st);
        status.nSize = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
        return status;
    }

    std::optional<std::vector<std::string>> ListDirectory(const std::filesystem::path& dir) override {
        DIR* pDir = ::opendir(dir.empty() ? "." : dir.c_str());
        if (pDir == nullptr) {
            return std::nullopt;
        }
        std::vector<std::string> names;
        errno = 0;
        while (const dirent* pEntry = ::readdir(pDir)) {
            const std::string_view name = pEntry->d_name;
            if (name != "." && name != "..") {
                names.emplace_back(name);
            }
            errno = 0;
        }
        const bool bOk = errno == 0;
        ::closedir(pDir);
        if (!bOk) {
            return std::nullopt;
        }
        return names;
    }

    std::optional<SFileId> FileId(const std::filesystem::path& path) override {
        struct stat st;
        if (::stat(path.empty() ? "." : path.c_str(), &st) != 0) {
            return std::nullopt;
        }
        return SFileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    }

    std::unique_ptr<CFileLock> TryLock(const std::filesystem::path& lockFile, ELockResult& result) override {
        // The previous holder may remove the file between our open and our lock: that lock
        // guards nothing, so the file is opened afresh a few times before giving up as busy.
        for (int nTry = 0; nTry < 8; ++nTry) {
            result = ELockResult::Failed;
            const int fd = OpenFd(lockFile.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (fd < 0) {
                return nullptr;
            }
            if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                result = (errno == EWOULDBLOCK || errno == EINTR) ? ELockResult::Busy : ELockResult::Failed;
                ::close(fd);
                return nullptr;
            }
            struct stat held;
            struct stat named;
            if (::fstat(fd, &held) == 0 && ::lstat(lockFile.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
                held.st_ino == named.st_ino) {
                result = ELockResult::Locked;
                return std::make_unique<CPosixFileLock>(fd, lockFile);
            }
            ::close(fd);
        }
        result = ELockResult::Busy;
        return nullptr;
    }

    std::optional<std::filesystem::path> GetCurrentDirectory() override {
        std::error_code ec;
        std::filesystem::path dir = std::filesystem::current_path(ec);
        if (ec) {
            return std::nullopt;
        }
        return dir;
    }
};

} // namespace

CFileSystem& GetSystemFileSystem() {
    static CPosixFileSystem fileSystem;
    return fileSystem;
}
