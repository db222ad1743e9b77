// The file system as a batch's reading phase sees it: the listings of folders, the statuses of
// entries and the current directory asked of the system once, however many of the batch's
// files ask again; everything else passed on. The reading phase writes nothing and locks
// nothing (what it checks is checked again under the lock), so nothing it keeps goes stale
// by its own doing. Safe for the reading threads to share.
#pragma once

#include "platform/FileSystem.h"

#include <map>
#include <mutex>
#include <unordered_map>

class CListingCache : public CFileSystem {
public:
    explicit CListingCache(CFileSystem& inner) : m_inner(inner) {}

    std::unique_ptr<CFile> Open(const std::filesystem::path& path, EOpenMode mode) override {
        return m_inner.Open(path, mode);
    }
    bool RemoveFile(const std::filesystem::path& path) override { return m_inner.RemoveFile(path); }
    bool ReplaceFile(const std::filesystem::path& temporary, const std::filesystem::path& target) override {
        return m_inner.ReplaceFile(temporary, target);
    }
    bool SyncFiles(const std::vector<std::filesystem::path>& paths) override { return m_inner.SyncFiles(paths); }
    bool SyncDirectory(const std::filesystem::path& dir) override { return m_inner.SyncDirectory(dir); }
    std::optional<SFileId> FileId(const std::filesystem::path& path) override { return m_inner.FileId(path); }
    std::unique_ptr<CFileLock> TryLock(const std::filesystem::path& lockFile, ELockResult& result) override {
        return m_inner.TryLock(lockFile, result);
    }

    SEntryStatus Status(const std::filesystem::path& path) override;
    std::optional<std::vector<std::string>> ListDirectory(const std::filesystem::path& dir) override;
    std::optional<std::string> FindNameNoCase(const std::filesystem::path& dir, const std::string& name) override;
    std::optional<std::filesystem::path> GetCurrentDirectory() override;

private:
    CFileSystem& m_inner;
    std::mutex m_mutex;
    std::map<std::filesystem::path, SEntryStatus> m_statuses;
    struct SListing {
        std::optional<std::vector<std::string>> names;
        std::unordered_map<std::string, std::string> byUpper; // upper-case -> the smallest spelling
    };
    // The listing of dir, asked of the system the first time; the caller holds m_mutex.
    const SListing& Listing(const std::filesystem::path& dir);
    std::map<std::filesystem::path, SListing> m_listings;
    std::optional<std::optional<std::filesystem::path>> m_current;
};
