// The one seam through which the conversion touches files, so that tests can make any
// single write, flush, rename, copy or delete fail on demand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

// One open file. Writes are buffered; Sync flushes the buffer and forces the data to the
// disk. The destructor closes quietly: a caller that wrote calls Close and checks it.
class CFile {
public:
    virtual ~CFile() = default;

    // Reads up to size bytes; returns the count read, 0 at the end of the file, -1 on an error.
    virtual std::ptrdiff_t Read(void* pBuffer, std::size_t size) = 0;
    // Writes every byte or fails.
    virtual bool Write(const void* pData, std::size_t size) = 0;
    // Moves the read position to offset bytes from the start.
    virtual bool Seek(std::uint64_t offset) = 0;
    virtual std::optional<std::uint64_t> Size() = 0;
    virtual bool Sync() = 0;
    // Flushes and closes; false when anything written could not be stored.
    virtual bool Close() = 0;
};

enum class EOpenMode {
    Read,   // an existing file, from its start
    Create, // a new empty file; a file or symbolic link of that name is replaced, never written through
    Append, // an existing file that is not a symbolic link; writes go to its end
};
// Only regular files open. Create and Append refuse a read-only file (no write permission
// bit at all), as the original platform refuses to write one.


class CFileSystem {
public:
    virtual ~CFileSystem() = default;

    // nullptr when the file cannot be opened or created.
    virtual std::unique_ptr<CFile> Open(const std::filesystem::path& path, EOpenMode mode) = 0;
    // Copies from over to in one atomic step (a temporary copy renamed over to). A read-only
    // to is refused, as the original platform refuses to overwrite a read-only file.
    virtual bool CopyFile(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    virtual bool RemoveFile(const std::filesystem::path& path) = 0;
    // Renames temporary over target in one atomic step; a read-only target is refused.
    virtual bool ReplaceFile(const std::filesystem::path& temporary, const std::filesystem::path& target) = 0;
    virtual bool SetCurrentDirectory(const std::filesystem::path& dir) = 0;
    virtual std::optional<std::filesystem::path> GetCurrentDirectory() = 0;
};

// Reads until size bytes are in or the file ends: the count read, -1 on a read error.
std::ptrdiff_t ReadUpTo(CFile& file, void* pBuffer, std::size_t size);

// The real file system of this machine.
CFileSystem& GetSystemFileSystem();
