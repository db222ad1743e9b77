// A file that replaces another all at once, as QSaveFile does: everything is written to a
// temporary file, which Commit syncs and renames over the target. Until then the target
// stays exactly as it was; an uncommitted temporary is removed on destruction.
#pragma once

#include "platform/FileSystem.h"

#include <filesystem>
#include <memory>

class CReplacementFile {
public:
    CReplacementFile(CFileSystem& fs, std::filesystem::path temporary, std::filesystem::path target);
    ~CReplacementFile();
    CReplacementFile(const CReplacementFile&) = delete;
    CReplacementFile& operator=(const CReplacementFile&) = delete;

    // Creates the temporary file; false when it cannot be created.
    bool Open();
    // Fails, and keeps failing, once any write has failed.
    bool Write(const void* pData, std::size_t size);
    // Syncs, closes and renames the temporary over the target. On any failure the
    // temporary is removed, the target is untouched and the result is false.
    bool Commit();
    // Removes the temporary without touching the target.
    void Discard();

private:
    CFileSystem& m_fs;
    std::filesystem::path m_temporary;
    std::filesystem::path m_target;
    std::unique_ptr<CFile> m_pFile;
    bool m_bFailed = false;
};
