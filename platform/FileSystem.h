// The one seam through which the program touches files and folders, so that tests can make
// any single open, write, sync, rename, removal or lock fail on demand, and so that the POSIX
// and the Windows implementations are chosen at build time behind the same calls.
//
// Paths are std::filesystem::path values built from UTF-8 text with Utf8Path (never from a
// plain std::string, which Windows would read in its ANSI code page).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A path from UTF-8 text, and the UTF-8 text of a path, the same on every system.
std::filesystem::path Utf8Path(std::string_view text);
std::string PathUtf8(const std::filesystem::path& path);

// One open file. Writes are buffered; Sync flushes the buffer and forces the data to the
// disk. The destructor closes quietly: a caller that wrote calls Close and checks it.
class CFile {
public:
    virtual ~CFile() = default;

    // Reads up to size bytes; returns the count read, 0 at the end of the file, -1 on an error.
    virtual std::ptrdiff_t Read(void* pBuffer, std::size_t size) = 0;
    // Writes every byte or fails; once a write has failed, every later one fails too.
    virtual bool Write(const void* pData, std::size_t size) = 0;
    // Moves the position of the next read or write to offset bytes from the start.
    virtual bool Seek(std::uint64_t offset) = 0;
    virtual std::optional<std::uint64_t> Size() = 0;
    // Cuts the file to size bytes (or extends it with zeros); the position is not moved.
    // Files that only serve reading need not support it.
    virtual bool Truncate(std::uint64_t /*size*/) { return false; }
    virtual bool Sync() = 0;
    // Flushes and closes; false when anything written could not be stored.
    virtual bool Close() = 0;
};

enum class EOpenMode {
    Read,      // an existing regular file, from its start
    Create,    // a new empty file; a file or symbolic link of that name is replaced, never written through
    CreateNew, // a new empty file; fails when any entry of that name exists (temporaries of one run)
    ReadNoLink, // as Read, but a symbolic link of that name is refused, never followed
    Update,     // an existing regular file, not a link and not read-only, read and written in place
};

// Identity of a file or folder: two paths name the same one exactly when their ids are equal
// (device and inode; on Windows volume serial number and file index).
struct SFileId {
    std::uint64_t nVolume = 0;
    std::uint64_t nIndex = 0;
    bool operator==(const SFileId&) const = default;
};

enum class EEntryKind { Missing, File, Directory, Other };

struct SEntryStatus {
    EEntryKind kind = EEntryKind::Missing; // a symbolic link counts as what it points to; dangling: Other
    bool bReadOnly = false; // no write permission bit at all (POSIX), the read-only attribute (Windows)
    std::uint64_t nSize = 0; // files only
    bool bLink = false;      // the name itself is a symbolic link (or a junction), dangling or not
};

// An exclusive lock on a folder's lock file, held through an open handle: the system releases
// it when the process ends, however it ends. Destroying the object removes the lock file and
// then releases the lock; a lock file left by a killed process is simply locked again.
class CFileLock {
public:
    virtual ~CFileLock() = default;
};

enum class ELockResult {
    Locked, // the caller holds the lock
    Busy,   // another process holds it; try again later
    Failed, // the lock file cannot be created or locked (read-only folder, no such folder)
};

class CFileSystem {
public:
    virtual ~CFileSystem() = default;

    // nullptr when the file cannot be opened or created. Only regular files open; Create and
    // Update refuse a read-only file.
    virtual std::unique_ptr<CFile> Open(const std::filesystem::path& path, EOpenMode mode) = 0;
    virtual bool RemoveFile(const std::filesystem::path& path) = 0;
    // Renames temporary over target in one atomic step, written through to the disk
    // (rename(2); MoveFileExW with replace and write-through). A read-only target is refused.
    virtual bool ReplaceFile(const std::filesystem::path& temporary, const std::filesystem::path& target) = 0;
    // Forces the contents of files that were written and closed to the disk: all at once where
    // the system can (one syncfs on Linux for many files), else one by one.
    virtual bool SyncFiles(const std::vector<std::filesystem::path>& paths) = 0;
    // Makes the renames and removals done in dir durable; true where the system needs nothing.
    virtual bool SyncDirectory(const std::filesystem::path& dir) = 0;
    // Kind, read-only flag and size of an entry; Missing when there is none or it cannot be seen.
    virtual SEntryStatus Status(const std::filesystem::path& path) = 0;
    // The names of dir's entries as UTF-8, without "." and ".."; nullopt when it cannot be listed.
    virtual std::optional<std::vector<std::string>> ListDirectory(const std::filesystem::path& dir) = 0;
    // The name of dir's entry that equals name but for the case of the letters A to Z, the
    // smallest of several; nullopt when there is none or dir cannot be listed. Built on
    // ListDirectory; a file system that keeps listings answers from them.
    virtual std::optional<std::string> FindNameNoCase(const std::filesystem::path& dir, const std::string& name);
    // nullopt when path does not exist.
    virtual std::optional<SFileId> FileId(const std::filesystem::path& path) = 0;
    // Takes the exclusive lock on lockFile (created when missing) without waiting. After
    // locking it checks that lockFile still names the locked file, so that a lock file removed
    // by its previous holder is never mistaken for the live one.
    virtual std::unique_ptr<CFileLock> TryLock(const std::filesystem::path& lockFile, ELockResult& result) = 0;
    // The process's current directory, to make relative paths absolute; never changed.
    virtual std::optional<std::filesystem::path> GetCurrentDirectory() = 0;
};

// Reads until size bytes are in or the file ends: the count read, -1 on a read error.
std::ptrdiff_t ReadUpTo(CFile& file, void* pBuffer, std::size_t size);

// The whole of a file, up to nMaxBytes; nullopt when it cannot be opened or read, or is larger.
// mode: Read, or ReadNoLink for a file that must not be reached through a symbolic link.
std::optional<std::string> ReadWholeFile(CFileSystem& fs, const std::filesystem::path& path,
                                         std::uint64_t nMaxBytes, EOpenMode mode = EOpenMode::Read);

// The real file system of this machine.
CFileSystem& GetSystemFileSystem();
