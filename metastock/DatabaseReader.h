// Read-only loading of a MetaStock database for looking into it (pelmar-cli list and dump):
// the records of one MASTER and the header or bars of one security's data file, also when
// other software wrote them. Nothing is written; every problem comes back as a message that
// names the file, and no read goes past the bytes a file holds.
#pragma once

#include "metastock/Records.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class CFileSystem;

struct SMasterListing {
    std::filesystem::path path;        // the MASTER as found, whatever the case of its name
    SMasterHeader header;
    std::vector<MasterRecord> records; // every whole record after the header, in file order
    std::size_t nCounted = 0;          // the first nCounted records are the header's entries
    // The file ends before the entry count, the count is negative, or a part of a record
    // trails the last whole one.
    std::vector<std::string> problems;
};

// The MASTER of dir; nullopt with strError when there is none or its header is not whole.
std::optional<SMasterListing> ReadMasterListing(CFileSystem& fs, const std::filesystem::path& dir,
                                                std::string& strError);

// "F<n>.DAT" and "F<n>.DOP" of an entry's file number.
std::string DataFileName(std::uint8_t nFileNumber);
std::string DopFileName(std::uint8_t nFileNumber);

// The problem with an entry's layout: a field count outside 2 to 7 or a record length that is
// not 4 bytes per field; nullopt when it is sound.
std::optional<std::string> EntryLayoutProblem(const MasterRecord& entry);

struct SDataFileInfo {
    std::filesystem::path path;
    std::int32_t nBarCount = 0;        // header bytes 2-3 minus 1, [0, 65534]
    std::uint64_t nStoredBars = 0;     // whole records after the header
    bool bPartialRecord = false;       // a part of a record trails the last whole one
};

// The header and size of entry's data file in dir; nullopt with strError when the file is
// missing, ends inside its header, its header count is 0, or it holds fewer bars than its
// header counts. The entry's layout must be sound.
std::optional<SDataFileInfo> ReadDataFileInfo(CFileSystem& fs, const std::filesystem::path& dir,
                                              const MasterRecord& entry, std::string& strError);

struct SSecurityBars {
    SDataFileInfo info;
    std::vector<int> fields;   // field numbers (kFieldDate ...) in record order
    std::vector<float> values; // info.nBarCount rows of fields.size() values, decoded
    std::vector<std::string> warnings; // an unusable F<n>.DOP, bars beyond the header count
};

// The counted bars of entry's data file, with the fields that F<n>.DOP names, or without a
// usable F<n>.DOP the usual set for the field count (see StandardFields). Fails as
// ReadDataFileInfo does and for an unsound layout.
std::optional<SSecurityBars> ReadSecurityBars(CFileSystem& fs, const std::filesystem::path& dir,
                                              const MasterRecord& entry, std::string& strError);

// The usual fields of a record without a field description: 2 Date, Close; 3 Date, Close,
// Volume; 4 Date, High, Low, Close; 5 Date, High, Low, Close, Volume; 6 Date, Open, High,
// Low, Close, Volume; 7 all. Empty for other counts.
std::vector<int> StandardFields(int nFieldCount);

// The fields that a F<n>.DOP text names, in its order; nullopt unless it names exactly
// nFieldCount known fields, each once, Date among them.
std::optional<std::vector<int>> ParseDopText(const std::string& text, int nFieldCount);
