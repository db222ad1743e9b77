// The data files that one change of a folder creates, grows and removes, held in memory until
// its commit; and a data file as the change leaves it, for the next change to the same
// security in the same run (a batch with two files of one symbol). CDatabase owns one.
#pragma once

#include "metastock/FolderCommit.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class CFileSystem;

class CStagedFiles {
public:
    // As much of a data file as a new append needs to know.
    struct SDataFile {
        std::string header;      // the header record
        std::uint64_t nSize = 0; // bytes, the header included
        std::string lastRecord;  // empty when the file holds no whole record after the header
    };

    CStagedFiles(CFileSystem& fs, std::filesystem::path folder);

    void Create(std::string name, std::string bytes);
    // Appends records to name, whose current state is file (from Current), and sets the
    // count of its header to nRecords.
    void Append(const std::string& name, const SDataFile& file, const std::string& records, int nRecords);
    void Remove(std::string nameOnDisk);
    // Forgets what the change staged for name; true when the change created it.
    bool Drop(const std::string& name);
    bool Staged(const std::string& name) const;
    // Records what bytes (the whole of name, read from the disk) say, for a later Current.
    void Remember(const std::string& name, const std::string& bytes, std::size_t nRecordSize);

    // The data file as the change leaves it; nullopt with strError when it cannot be read.
    std::optional<SDataFile> Current(const std::string& name, std::size_t nRecordSize, std::string& strError) const;
    // Its whole bytes as the change leaves it.
    std::optional<std::string> Bytes(const std::string& name, std::string& strError) const;

    // Hands what is staged to change, and forgets it and what it remembered.
    void MoveTo(SFolderChange& change);
    void Clear();

private:
    const SNewFile* Created(const std::string& name) const;
    const SFileExtension* Extended(const std::string& name) const;
    void Reindex();

    CFileSystem& m_fs;
    std::filesystem::path m_folder;
    std::vector<SNewFile> m_creates;
    std::vector<SFileExtension> m_extensions;
    std::vector<std::string> m_removals;
    std::unordered_map<std::string, std::size_t> m_byName; // upper-case name -> its create or extension
    std::unordered_map<std::string, SDataFile> m_read;     // upper-case name -> as read, unstaged
};
