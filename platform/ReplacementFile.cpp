#include "platform/ReplacementFile.h"

#include <utility>

CReplacementFile::CReplacementFile(CFileSystem& fs, std::filesystem::path temporary, std::filesystem::path target)
    : m_fs(fs), m_temporary(std::move(temporary)), m_target(std::move(target)) {}

CReplacementFile::~CReplacementFile() {
    Discard();
}

bool CReplacementFile::Open() {
    if (m_pFile) {
        return false;
    }
    m_pFile = m_fs.Open(m_temporary, EOpenMode::Create);
    m_bFailed = !m_pFile;
    return !m_bFailed;
}

bool CReplacementFile::Write(const void* pData, std::size_t size) {
    if (!m_pFile || m_bFailed) {
        return false;
    }
    if (!m_pFile->Write(pData, size)) {
        m_bFailed = true;
        return false;
    }
    return true;
}

bool CReplacementFile::Commit() {
    if (!m_pFile || m_bFailed) {
        Discard();
        return false;
    }
    const bool bSynced = m_pFile->Sync();
    const bool bClosed = m_pFile->Close();
    m_pFile.reset();
    if (!bSynced || !bClosed || !m_fs.ReplaceFile(m_temporary, m_target)) {
        m_bFailed = true;
        m_fs.RemoveFile(m_temporary);
        return false;
    }
    return true;
}

void CReplacementFile::Discard() {
    if (!m_pFile) {
        return;
    }
    // Closed before removal, and its outcome does not matter: the content is thrown away.
    m_pFile->Close();
    m_pFile.reset();
    m_bFailed = true;
    m_fs.RemoveFile(m_temporary);
}
