// Operations on one MASTER file and on a tree of them. Every rewrite goes through a
// temporary copy that is synced and renamed over MASTER in one step, so MASTER is at any
// moment either the old or the complete new file.
#pragma once

#include "metastock/Mbf.h"
#include "metastock/Records.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class CFileSystem;

// nullopt when the file cannot be opened or holds no whole header.
std::optional<SMasterHeader> ReadMasterHeader(CFileSystem& fs, const std::filesystem::path& master);

// Writes a MASTER of one zero header through temporary.
bool CreateEmptyMaster(CFileSystem& fs, const std::filesystem::path& master,
                       const std::filesystem::path& temporary);

enum class EAddStatus {
    Added,
    Full,         // a header counter has reached 255
    NoFreeNumber, // the records already use every file number from 1 to 255
    Failed,       // a file could not be read or written; MASTER is unchanged
};

struct SAddResult {
    EAddStatus status = EAddStatus::Failed;
    std::uint8_t nFileNumber = 0; // the number given to the new entry when Added
};

// Appends entry after every record of master (also records beyond the entry count), with
// the lowest file number that no record uses, and raises both header counters. beforeCommit,
// when given, runs with that number once the new MASTER is written but not yet in place;
// false from it leaves MASTER unchanged.
SAddResult AppendSecurityEntry(CFileSystem& fs, const std::filesystem::path& master,
                               const std::filesystem::path& temporary, SSecurityEntry entry,
                               const std::function<bool(std::uint8_t)>& beforeCommit = {});

// Puts firstDate and lastDate into every record whose file number is nFileNumber; no other
// byte changes.
bool UpdateEntryDates(CFileSystem& fs, const std::filesystem::path& master, const std::filesystem::path& temporary,
                      std::uint8_t nFileNumber, const MbfSingle& firstDate, const MbfSingle& lastDate);

constexpr std::int16_t kFindFound = 0;
constexpr std::int16_t kFindNotFound = -8;
constexpr std::int16_t kFindTruncated = -4;

// Depth-first search of the MASTER under root and of the MASTERs of its directory entries
// for a security whose symbol or name is symbol, without regard to the case of A to Z.
// Within one directory every security is compared before any subdirectory is entered. A
// directory entry that is not one plain name, or that leads back into a directory already on
// the search path, is passed over. On kFindFound, entry holds the match with its dates
// decoded to IEEE singles and dir the directory of its MASTER, ending in a separator.
std::int16_t SearchMasterTree(CFileSystem& fs, const std::string& root, const std::string& symbol,
                              MasterRecord& entry, std::string& dir);

// Whether a security entry matches a sought symbol.
bool EntryMatchesSymbol(const MasterRecord& record, const std::string& symbol);
