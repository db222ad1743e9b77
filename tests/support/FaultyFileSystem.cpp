#include "tests/support/FaultyFileSystem.h"

#include <utility>

namespace {

class CFaultyFile : public CFile {
public:
    CFaultyFile(CFaultyFileSystem& fs, std::unique_ptr<CFile> pInner) : m_fs(fs), m_pInner(std::move(pInner)) {}

    std::ptrdiff_t Read(void* pBuffer, std::size_t size) override {
        if (m_fs.CountRead()) {
            return -1;
        }
        return m_pInner->Read(pBuffer, size);
    }

    bool Write(const void* pData, std::size_t size) override {
        if (m_fs.Count(EFault::Write)) {
            if (m_fs.PartialWrites() && size / 2 > 0) {
                m_pInner->Write(pData, size / 2);
            }
            return false;
        }
        return m_pInner->Write(pData, size);
    }

    bool Seek(std::uint64_t offset) override { return m_pInner->Seek(offset); }
    std::optional<std::uint64_t> Size() override { return m_pInner->Size(); }

    bool Sync() override {
        if (m_fs.Count(EFault::Sync)) {
            return false;
        }
        return m_pInner->Sync();
    }

    bool Close() override {
        const bool bFail = m_fs.Count(EFault::Close);
        // The real file is closed either way, so that no descriptor stays open.
        const bool bClosed = m_pInner->Close();
        return !bFail && bClosed;
    }

private:
    CFaultyFileSystem& m_fs;
    std::unique_ptr<CFile> m_pInner;
};

} // namespace

CFaultyFileSystem::CFaultyFileSystem(CFileSystem& inner) : m_inner(inner) {}

void CFaultyFileSystem::FailAt(int n, EFault kind) {
    m_nFailAt = n;
    m_failKind = kind;
    m_bInjected = false;
}

void CFaultyFileSystem::Reset() {
    m_counts.fill(0);
    m_operations.clear();
    m_nFailAt = 0;
    m_failKind = EFault::Any;
    m_bInjected = false;
    m_nReads = 0;
    m_nFailRead = 0;
}

int CFaultyFileSystem::OperationCount(EFault kind) const {
    return m_counts[static_cast<std::size_t>(kind)];
}

bool CFaultyFileSystem::Count(EFault kind) {
    m_operations.push_back(kind);
    const int nAll = ++m_counts[static_cast<std::size_t>(EFault::Any)];
    const int nKind = ++m_counts[static_cast<std::size_t>(kind)];
    const bool bFail = m_nFailAt > 0 && (m_failKind == EFault::Any ? nAll : m_failKind == kind ? nKind : 0) == m_nFailAt;
    m_bInjected = m_bInjected || bFail;
    return bFail;
}

bool CFaultyFileSystem::CountRead() {
    const bool bFail = ++m_nReads == m_nFailRead;
    m_bInjected = m_bInjected || bFail;
    return bFail;
}

std::unique_ptr<CFile> CFaultyFileSystem::Open(const std::filesystem::path& path, EOpenMode mode) {
    if (Count(mode == EOpenMode::Read ? EFault::OpenRead : EFault::OpenWrite)) {
        return nullptr;
    }
    auto pFile = m_inner.Open(path, mode);
    if (!pFile) {
        return nullptr;
    }
    return std::make_unique<CFaultyFile>(*this, std::move(pFile));
}

bool CFaultyFileSystem::CopyFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    return !Count(EFault::Copy) && m_inner.CopyFile(from, to);
}

bool CFaultyFileSystem::RemoveFile(const std::filesystem::path& path) {
    return !Count(EFault::Remove) && m_inner.RemoveFile(path);
}

bool CFaultyFileSystem::ReplaceFile(const std::filesystem::path& temporary, const std::filesystem::path& target) {
    return !Count(EFault::Replace) && m_inner.ReplaceFile(temporary, target);
}

bool CFaultyFileSystem::SetCurrentDirectory(const std::filesystem::path& dir) {
    return m_inner.SetCurrentDirectory(dir);
}

std::optional<std::filesystem::path> CFaultyFileSystem::GetCurrentDirectory() {
    return m_inner.GetCurrentDirectory();
}
