#include "platform/FileSystem.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kWriteBufferSize = 64 * 1024;
constexpr std::size_t kCopyBlockSize = 64 * 1024;

// A file without any write bit is what the original platform calls read-only; root may
// still write it, so the bits are tested rather than access().
bool IsReadOnly(const struct stat& st) {
    return (st.st_mode & 0222) == 0;
}

// Writes every byte, resuming after signals and short writes.
bool WriteAll(int fd, const char* pData, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, pData, size);
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
        const ssize_t n = ::read(fd, pBuffer, size);
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
}

bool SyncFd(int fd) {
    for (;;) {
        if (::fsync(fd) == 0) {
            return true;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

int OpenFd(const char* pszPath, int flags, mode_t mode = 0) {
    for (;;) {
        const int fd = ::open(pszPath, flags, mode);
        if (fd >= 0 || errno != EINTR) {
            return fd;
        }
    }
}

// Opened without blocking, so that a FIFO of the name cannot hang the program; only a
// regular file is accepted, then the descriptor goes back to blocking reads and writes.
int OpenRegular(const char* pszPath, int flags, mode_t mode = 0) {
    const int fd = OpenFd(pszPath, flags | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0) {
        return -1;
    }
    struct stat st;
    const int fileFlags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fileFlags < 0 ||
        ::fcntl(fd, F_SETFL, fileFlags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

class CPosixFile : public CFile {
public:
    explicit CPosixFile(int fd) : m_fd(fd) {}

    ~CPosixFile() override {
        if (m_fd >= 0) {
            Flush();
            ::close(m_fd);
        }
    }

    std::ptrdiff_t Read(void* pBuffer, std::size_t size) override {
        if (m_fd < 0 || !Flush()) {
            return -1;
        }
        return ReadSome(m_fd, pBuffer, size);
    }

    bool Write(const void* pData, std::size_t size) override {
        if (m_fd < 0 || m_bFailed) {
            return false;
        }
        const char* pBytes = static_cast<const char*>(pData);
        if (size <= kWriteBufferSize - m_buffer.size()) {
            m_buffer.reserve(kWriteBufferSize);
            m_buffer.insert(m_buffer.end(), pBytes, pBytes + size);
            return true;
        }
        if (!Flush()) {
            return false;
        }
        if (size >= kWriteBufferSize) {
            if (!WriteAll(m_fd, pBytes, size)) {
                m_bFailed = true;
                return false;
            }
            return true;
        }
        m_buffer.assign(pBytes, pBytes + size);
        return true;
    }

    bool Seek(std::uint64_t offset) override {
        if (m_fd < 0 || !Flush() || offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
            return false;
        }
        return ::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
    }

    std::optional<std::uint64_t> Size() override {
        struct stat st;
        if (m_fd < 0 || !Flush() || ::fstat(m_fd, &st) != 0) {
            return std::nullopt;
        }
        return static_cast<std::uint64_t>(st.st_size);
    }

    bool Sync() override {
        return m_fd >= 0 && Flush() && SyncFd(m_fd);
    }

    bool Close() override {
        if (m_fd < 0) {
            return false;
        }
        const bool bFlushed = Flush();
        // The descriptor is gone after close() whatever it returns; an error there may
        // mean that written data never reached the file.
        const bool bClosed = ::close(m_fd) == 0;
        m_fd = -1;
        return bFlushed && bClosed;
    }

private:
    bool Flush() {
        if (m_bFailed) {
            return false;
        }
        if (m_buffer.empty()) {
            return true;
        }
        if (!WriteAll(m_fd, m_buffer.data(), m_buffer.size())) {
            m_bFailed = true;
            return false;
        }
        m_buffer.clear();
        return true;
    }

    int m_fd;
    std::vector<char> m_buffer;
    // Once a write is lost, nothing later may claim that the file was stored.
    bool m_bFailed = false;
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
        case EOpenMode::Append: {
            struct stat st;
            if (::lstat(pszPath, &st) == 0 && !S_ISLNK(st.st_mode) && IsReadOnly(st)) {
                return nullptr;
            }
            fd = OpenRegular(pszPath, O_WRONLY | O_APPEND | O_NOFOLLOW);
            break;
        }
        }
        if (fd < 0) {
            return nullptr;
        }
        return std::make_unique<CPosixFile>(fd);
    }

    bool CopyFile(const std::filesystem::path& from, const std::filesystem::path& to) override {
        const int source = OpenRegular(from.c_str(), O_RDONLY);
        if (source < 0) {
            return false;
        }
        struct stat st;
        mode_t mode = 0;
        if (::stat(to.c_str(), &st) == 0) {
            if (IsReadOnly(st) || !S_ISREG(st.st_mode)) {
                ::close(source);
                return false;
            }
            mode = st.st_mode & 07777;
        } else if (::fstat(source, &st) == 0) {
            mode = st.st_mode & 07777;
        } else {
            ::close(source);
            return false;
        }

        // The copy lands beside to, so that the final rename stays within one file system.
        const std::filesystem::path dir = to.has_parent_path() ? to.parent_path() : std::filesystem::path(".");
        std::string strTemplate = (dir / ("." + to.filename().string() + ".XXXXXX")).string();
        const int target = ::mkostemp(strTemplate.data(), O_CLOEXEC);
        if (target < 0) {
            ::close(source);
            return false;
        }

        bool bOk = true;
        std::vector<char> block(kCopyBlockSize);
        for (;;) {
            const std::ptrdiff_t n = ReadSome(source, block.data(), block.size());
            if (n < 0) {
                bOk = false;
                break;
            }
            if (n == 0) {
                break;
            }
            if (!WriteAll(target, block.data(), static_cast<std::size_t>(n))) {
                bOk = false;
                break;
            }
        }
        ::close(source);
        bOk = bOk && ::fchmod(target, mode) == 0 && SyncFd(target);
        bOk = (::close(target) == 0) && bOk;
        bOk = bOk && ::rename(strTemplate.c_str(), to.c_str()) == 0;
        if (!bOk) {
            ::unlink(strTemplate.c_str());
        }
        return bOk;
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

    bool SetCurrentDirectory(const std::filesystem::path& dir) override {
        return !dir.empty() && ::chdir(dir.c_str()) == 0;
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

std::ptrdiff_t ReadUpTo(CFile& file, void* pBuffer, std::size_t size) {
    auto* p = static_cast<unsigned char*>(pBuffer);
    std::size_t nDone = 0;
    while (nDone < size) {
        const std::ptrdiff_t n = file.Read(p + nDone, size - nDone);
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            break;
        }
        nDone += static_cast<std::size_t>(n);
    }
    return static_cast<std::ptrdiff_t>(nDone);
}
