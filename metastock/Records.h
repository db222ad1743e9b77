// Byte layouts of the MetaStock files: the 53-byte records of MASTER, the data file's
// header record and the lines of F<n>.DOP. Every field is read and written byte by byte,
// little-endian.
#pragma once

#include "metastock/Mbf.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Field order of every per-field array and of the bar record.
constexpr int kFieldDate = 0;
constexpr int kFieldOpen = 1;
constexpr int kFieldHigh = 2;
constexpr int kFieldLow = 3;
constexpr int kFieldClose = 4;
constexpr int kFieldVolume = 5;
constexpr int kFieldOpenInterest = 6;
constexpr int kFieldCount = 7;

using FieldFlags = std::array<bool, kFieldCount>;

constexpr std::size_t kMasterRecordSize = 53;
using MasterRecord = std::array<std::uint8_t, kMasterRecordSize>;

constexpr std::size_t kEntryTextChars = 16; // name and symbol fields

// Record 0 of MASTER.
struct SMasterHeader {
    std::int16_t nEntryCount = 0;  // offset 0, 2 bytes: entries that a search reads
    std::int16_t nFileCounter = 0; // offset 2, 2 bytes: raised with the entry count
    std::array<std::uint8_t, 49> reserved{}; // offset 4, 49 bytes: kept as found

    static SMasterHeader FromBytes(const MasterRecord& record);
    MasterRecord ToBytes() const;
};

// A security entry as the converter writes it.
struct SSecurityEntry {
    std::uint8_t nFileNumber = 0; // offset 0: n of F<n>.DAT, [1, 255]
                                  // offset 1: 0x00, offset 2: 0x65
    std::uint8_t nRecordLength = 0; // offset 3: 4 * field count
    std::uint8_t nFieldCount = 0;   // offset 4: [2, 7]
                                    // offset 5, 2 bytes: zero
    std::string strName;          // offset 7, 16 bytes: space-padded, no terminator
                                  // offset 23, 2 bytes: zero
    MbfSingle firstDate{};        // offset 25, 4 bytes: date value
    MbfSingle lastDate{};         // offset 29, 4 bytes: date value
                                  // offset 33: 'D' (daily), offset 34, 2 bytes: zero
    std::string strSymbol;        // offset 36, 16 bytes: space-padded
                                  // offset 52: zero

    // strName and strSymbol must hold at most 16 bytes each.
    MasterRecord ToBytes() const;
};

constexpr std::size_t kEntryNameOffset = 7;
constexpr std::size_t kEntryFirstDateOffset = 25;
constexpr std::size_t kEntryLastDateOffset = 29;
constexpr std::size_t kEntrySymbolOffset = 36;

// An entry naming a subdirectory with a MASTER of its own: "<DIR>" at offsets 18 to 22 and
// a first name character that is not a space.
bool IsDirectoryEntry(const MasterRecord& record);
// Name positions 0 to 7 of a directory entry, trailing spaces removed.
std::string DirectoryEntryName(const MasterRecord& record);

// The texts that a search compares with a sought symbol: the name field up to a zero byte,
// trailing spaces removed; the symbol field up to a zero byte, cut before its
// (nSpaces + 1)-th space.
std::string EntryNameText(const MasterRecord& record);
std::string EntrySymbolText(const MasterRecord& record, std::size_t nSpaces);

// Header record of F<n>.DAT as created: per field the 16-bit integers 0 and 1.
std::vector<std::uint8_t> MakeDataHeader(int nFieldCount);
// Bytes 2 to 3 of the data header: the number of records including the header.
constexpr std::size_t kDataHeaderCountOffset = 2;

// The name of a field in F<n>.DOP: "DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI".
const char* DopFieldName(int field);
// The text of F<n>.DOP: one line per field that is on, in field order, each ended by CR LF.
std::string MakeDopText(const FieldFlags& fieldOn);

// Text of an entry's 16-byte field: the first 16 characters followed by spaces.
std::array<std::uint8_t, kEntryTextChars> PadEntryText(const std::string& text);

// Little-endian helpers.
inline std::int16_t ReadInt16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}
inline void WriteInt16(std::uint8_t* p, std::int16_t value) {
    const auto u = static_cast<std::uint16_t>(value);
    p[0] = static_cast<std::uint8_t>(u & 0xFF);
    p[1] = static_cast<std::uint8_t>(u >> 8);
}
