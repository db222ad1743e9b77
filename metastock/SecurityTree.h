// The duplicate check across folders: the securities of a folder and of every folder reached
// through MASTER's "<DIR>" entries, depth first, each folder once (by its file id), read once
// for the check of many symbols.
#pragma once

#include "metastock/Security.h"

#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class CFileSystem;
class CDatabase;

// Where a symbol was found in a tree of database folders.
struct SFoundSecurity {
    SSecurity security;
    std::filesystem::path folder;
};

class CSecurityTree {
public:
    CSecurityTree(CFileSystem& fs, const std::filesystem::path& folder);
    // The top folder as database has read it (listed and read once for the whole run), the
    // folders below it from the disk.
    CSecurityTree(CFileSystem& fs, const CDatabase& database);
    // The first security whose symbol or name matches symbol as the duplicate check compares them.
    std::optional<SFoundSecurity> Find(const std::string& symbol) const;

private:
    struct SEntry {
        std::string strSymbolText; // the stored symbol, padding removed
        std::string strNameText;
        SSecurity security;
        std::size_t nFolder = 0;
    };
    struct SLevel;
    void Walk(CFileSystem& fs, const std::filesystem::path& folder, const CDatabase* pDatabase);
    void Add(SEntry entry);
    std::vector<std::filesystem::path> m_folders;
    std::vector<SEntry> m_entries;
    // Entries by upper-case name, and by the upper-case symbol up to its first space: every
    // entry a sought symbol can match is under its own first word or under its whole text.
    std::unordered_map<std::string, std::vector<std::size_t>> m_byName;
    std::unordered_map<std::string, std::vector<std::size_t>> m_bySymbolWord;
};

// Searches the directory files of folder and of every folder reached through MASTER's
// "<DIR>" entries, depth first, each folder once (by its file id), for a security whose
// symbol or name matches symbol as the duplicate check compares them.
std::optional<SFoundSecurity> FindSecurityInTree(CFileSystem& fs, const std::filesystem::path& folder,
                                                 const std::string& symbol);
