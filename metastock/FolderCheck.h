// The check of one database folder as read: every inconsistency between MASTER, EMASTER,
// XMASTER and the data files, one line each, naming the cause where there is one (a record
// only in EMASTER, not a mismatch at every position after it).
#pragma once

#include "metastock/DirectoryFiles.h"

#include <filesystem>
#include <string>
#include <vector>

class CFileSystem;

class CFolderCheck {
public:
    CFolderCheck(CFileSystem& fs, std::filesystem::path folder, const CNameIndex& names, const CDirectoryFiles& files);

    // The damage of the directory files, then the rest; empty when there is nothing.
    std::vector<std::string> Run() const;

    // F<n>.MWD files of XMASTER's range that no directory file lists, by n.
    static std::vector<int> OrphanMwdNumbers(const CNameIndex& names, const CDirectoryFiles& files);

private:
    void CheckNumbers(std::vector<std::string>& lines) const;
    void CheckTwins(std::vector<std::string>& lines) const;
    void CheckPairs(std::vector<std::string>& lines) const;
    void CheckXmasterHeader(std::vector<std::string>& lines) const;
    void CheckDataFile(const SSecurity& security, std::vector<std::string>& lines) const;

    CFileSystem& m_fs;
    std::filesystem::path m_folder;
    const CNameIndex& m_names;
    const CDirectoryFiles& m_files;
};
