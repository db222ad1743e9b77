// The lock of one database folder: an exclusive lock on its lock file PELMAR.LCK, waited for
// as long as the caller allows, and held until the object goes. A second run on the same
// folder waits for the first and says so once.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

class CFileSystem;
class CFileLock;
class CMessageBox;

class CFolderLock {
public:
    static constexpr const char* kFileName = "PELMAR.LCK";

    CFolderLock(CFileSystem& fs, CMessageBox& messages, std::filesystem::path folder);
    ~CFolderLock();
    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;

    // Takes the lock, waiting up to wait and saying once through the message channel's notice
    // that it waits. False with strError (nothing changed) when the lock cannot be had: held
    // by another run all that time, or the lock file cannot be made (saying what is there).
    bool Take(std::chrono::milliseconds wait, std::string& strError);
    bool Held() const { return m_pLock != nullptr; }

private:
    std::string WhyNoLockFile() const;

    CFileSystem& m_fs;
    CMessageBox& m_messages;
    std::filesystem::path m_folder;
    std::unique_ptr<CFileLock> m_pLock;
};
