#include "tests/support/FaultyFileSystem.h"

#include <algorithm>
#include <utility>

namespace {

class CFaultyFile : public CFile {
public:
    CFaultyFile(CFaultyFileSystem& fs, std::unique_ptr<CFile> pInner, std::filesystem::path path)
        : m_fs(fs), m_pInner(std::move(pInner)), m_path(std::move(path)) {}

    std::ptrdiff_t Read(void* pBuffer, std::size_t size) override {
        return m_fs.CountRead() ? -1 : m_pInner->Read(pBuffer, size);
    }

    bool Write(const void* pData, std::size_t size) override {
        if (m_fs.Count(EFault::Write, m_path)) {
            if (m_fs.PartialWrites() && size / 2 > 0) {
                m_pInner->Write(pData, size / 2);
            }
            return false;
        }
        return m_pInner->Write(pData, size);
    }

    bool Seek(std::uint64_t offset) override { return m_pInner->Seek(offset); }
    std::optional<std::uint64_t> Size() override { return m_pInner->Size(); }
    bool Truncate(std::uint64_t size) override { return !m_fs.Count(EFault::Truncate, m_path) && m_pInner->Truncate(size); }
    bool Sync() override { return !m_fs.Count(EFault::Sync, m_path) && (m_fs.SkipsSyncs() || m_pInner->Sync()); }

    bool Close() override {
        const bool bFail = m_fs.Count(EFault::Close, m_path);
        // The real file is closed either way, so that no descriptor stays open.
        const bool bClosed = m_pInner->Close();
        return !bFail && bClosed;
    }

private:
    CFaultyFileSystem& m_fs;
    std::unique_ptr<CFile> m_pInner;
    std::filesystem::path m_path;
};

} // namespace

CFaultyFileSystem::CFaultyFileSystem(CFileSystem& inner) : m_inner(inner) {}

void CFaultyFileSystem::FailAt(int n, EFault kind, bool bFromThenOn) {
    m_nFailAt = n;
    m_failKind = kind;
    m_bFromThenOn = bFromThenOn;
    m_bInjected = false;
}

void CFaultyFileSystem::Reset() {
    m_counts.fill(0);
    m_operations.clear();
    FailAt(0);
    m_nReads = 0;
    m_nFailRead = 0;
    m_failAlso.clear();
}

bool CFaultyFileSystem::Count(EFault kind, const std::filesystem::path& path) {
    m_operations.push_back({kind, PathUtf8(path.filename())});
    const int nAll = ++m_counts[static_cast<std::size_t>(EFault::Any)];
    const int nKind = ++m_counts[static_cast<std::size_t>(kind)];
    const int n = m_failKind == EFault::Any ? nAll : m_failKind == kind ? nKind : 0;
    const bool bFail = (m_nFailAt > 0 && (m_bFromThenOn ? m_bInjected || n >= m_nFailAt : n == m_nFailAt)) ||
                       std::find(m_failAlso.begin(), m_failAlso.end(), nAll) != m_failAlso.end();
    m_bInjected = m_bInjected || bFail;
    return bFail;
}

bool CFaultyFileSystem::CountRead() {
    const bool bFail = ++m_nReads == m_nFailRead;
    m_bInjected = m_bInjected || bFail;
    return bFail;
}

std::unique_ptr<CFile> CFaultyFileSystem::Open(const std::filesystem::path& path, EOpenMode mode) {
    const EFault kind = mode == EOpenMode::Create      ? EFault::OpenCreate
                        : mode == EOpenMode::CreateNew ? EFault::OpenNew
                        : mode == EOpenMode::Update    ? EFault::OpenUpdate
                                                       : EFault::OpenRead;
    if (Count(kind, path)) {
        return nullptr;
    }
    auto pFile = m_inner.Open(path, mode);
    return pFile ? std::make_unique<CFaultyFile>(*this, std::move(pFile), path) : nullptr;
}

bool CFaultyFileSystem::RemoveFile(const std::filesystem::path& path) {
    return !Count(EFault::Remove, path) && m_inner.RemoveFile(path);
}

bool CFaultyFileSystem::ReplaceFile(const std::filesystem::path& temporary, const std::filesystem::path& target) {
    return !Count(EFault::Replace, target) && m_inner.ReplaceFile(temporary, target);
}

bool CFaultyFileSystem::SyncFiles(const std::vector<std::filesystem::path>& paths) {
    return !Count(EFault::Sync, paths.empty() ? std::filesystem::path() : paths.front()) &&
           (m_bSkipSyncs || m_inner.SyncFiles(paths));
}

bool CFaultyFileSystem::SyncDirectory(const std::filesystem::path& dir) {
    return !Count(EFault::SyncDirectory, dir) && (m_bSkipSyncs || m_inner.SyncDirectory(dir));
}

std::unique_ptr<CFileLock> CFaultyFileSystem::TryLock(const std::filesystem::path& lockFile, ELockResult& result) {
    if (Count(EFault::Lock, lockFile)) {
        result = ELockResult::Failed;
        return nullptr;
    }
    return m_inner.TryLock(lockFile, result);
}
