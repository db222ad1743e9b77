// Byte layouts of the MetaStock files: the 53-byte records of MASTER, the 192-byte records
// of EMASTER, the 150-byte records of XMASTER, the data file's header record and the lines of
// F<n>.DOP. Every field is read and written byte by byte, little-endian.
#pragma once

#include "metastock/Mbf.h"

#include <array>
#include <bit>
#include <cstdint>
#include <optional>
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
    char cPeriodicity = 'D';      // offset 33: 'D', 'W', 'M' or 'I' (intraday)
    std::uint16_t nInterval = 0;  // offset 34, 2 bytes: minutes of an intraday bar, else zero
    std::string strSymbol;        // offset 36, 16 bytes: space-padded
                                  // offset 52: zero

    // strName and strSymbol must hold at most 16 bytes each.
    MasterRecord ToBytes() const;
};

constexpr std::size_t kEntryRecordLengthOffset = 3;
constexpr std::size_t kEntryFieldCountOffset = 4;
constexpr std::size_t kEntryNameOffset = 7;
constexpr std::size_t kEntryFirstDateOffset = 25;
constexpr std::size_t kEntryLastDateOffset = 29;
constexpr std::size_t kEntryPeriodicityOffset = 33; // 'D' daily, 'I' intraday
constexpr std::size_t kEntryIntervalOffset = 34;    // 2 bytes: minutes, intraday only
constexpr std::size_t kEntrySymbolOffset = 36;
constexpr std::size_t kEntryShortSymbolChars = 14;  // other software: 36-49, a space at 50, a flag at 51

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
// Bars one data file can hold: its header counts the records, itself included, in 16 bits.
constexpr int kMaxBarsPerFile = 65534;

// The name of a field in F<n>.DOP: "DATE", "OPEN", "HIGH", "LOW", "CLOSE", "VOL", "OI".
const char* DopFieldName(int field);
// The text of F<n>.DOP: one line per field that is on, in record order (the time after the
// date where bTime), each ended by CR LF.
std::string MakeDopText(const FieldFlags& fieldOn, bool bTime = false);

// The symbol of a MASTER entry: bytes 36 to 49, or 36 to 51 where byte 50 carries on the text
// (a 15- or 16-character symbol of earlier versions), padding removed.
std::string EntrySymbol(const MasterRecord& record);

// EMASTER: a 192-byte header whose bytes 0 to 52 repeat MASTER's, then one record per MASTER
// record, at the same index.
constexpr std::size_t kEmasterRecordSize = 192;
using EmasterRecord = std::array<std::uint8_t, kEmasterRecordSize>;
constexpr std::size_t kEmasterMarkOffset = 0;       // 2 bytes: "66"
constexpr std::size_t kEmasterFileNumberOffset = 2; // [1, 255]
constexpr std::size_t kEmasterFieldCountOffset = 6;
constexpr std::size_t kEmasterFieldSetOffset = 7;
constexpr std::size_t kEmasterFlagOffset = 9;       // a space
constexpr std::size_t kEmasterSymbolOffset = 11;    // 14 bytes, NUL-padded
constexpr std::size_t kEmasterSymbolChars = 14;
constexpr std::size_t kEmasterNameOffset = 32;      // 16 bytes, NUL-padded
constexpr std::size_t kEmasterNameChars = 16;
constexpr std::size_t kEmasterPeriodicityOffset = 60;
constexpr std::size_t kEmasterIntervalOffset = 62;  // 2 bytes
constexpr std::size_t kEmasterFirstDateOffset = 64; // date value, IEEE single
constexpr std::size_t kEmasterFirstTimeOffset = 68; // HHMMSS, IEEE single
constexpr std::size_t kEmasterLastDateOffset = 72;  // date value, IEEE single
constexpr std::size_t kEmasterLastTimeOffset = 76;  // HHMMSS, IEEE single
constexpr std::size_t kEmasterFirstYmdOffset = 126; // YYYYMMDD, 32-bit
constexpr std::size_t kEmasterLongNameOffset = 139; // to the end, NUL-terminated; only names over 16
constexpr std::size_t kEmasterLongNameChars = kEmasterRecordSize - kEmasterLongNameOffset - 1;

// XMASTER: a 150-byte header, then the securities numbered from 256 up, ascending.
constexpr std::size_t kXmasterRecordSize = 150;
using XmasterRecord = std::array<std::uint8_t, kXmasterRecordSize>;
constexpr std::array<std::uint8_t, 6> kXmasterSignature = {0x5D, 0xFE, 0x58, 0x4D, 0x20, 0x03}; // "]\xFEXM", 20 03
constexpr std::size_t kXmasterSerialOffset = 6;      // header: 4 bytes, MASTER header bytes 49-52
constexpr std::size_t kXmasterCountOffset = 10;      // header: 2 bytes, again at 14
constexpr std::size_t kXmasterCountCopyOffset = 14;
constexpr std::size_t kXmasterNextNumberOffset = 18; // header: 2 bytes
constexpr std::size_t kMasterSerialOffset = 49;      // MASTER header: 4 bytes
constexpr std::size_t kXmasterSymbolOffset = 1;      // 14 bytes, NUL-terminated
constexpr std::size_t kXmasterSymbolChars = 14;
constexpr std::size_t kXmasterNameOffset = 16;       // 45 bytes, NUL-terminated
constexpr std::size_t kXmasterNameChars = 44;
constexpr std::size_t kXmasterPeriodicityOffset = 62;
constexpr std::size_t kXmasterIntervalOffset = 63;   // 2 bytes
constexpr std::size_t kXmasterFileNumberOffset = 65; // 2 bytes
constexpr std::size_t kXmasterFieldSetOffset = 70;
constexpr std::size_t kXmasterConstantsOffset = 80;  // 8 bytes every real record carries
constexpr std::size_t kXmasterStartYmdOffset = 104;  // YYYYMMDD
constexpr std::size_t kXmasterFirstYmdOffset = 108;  // YYYYMMDD
constexpr std::size_t kXmasterFirstTimeOffset = 112; // HHMMSS, 32-bit
constexpr std::size_t kXmasterLastYmdOffset = 116;   // YYYYMMDD
constexpr std::size_t kXmasterLastTimeOffset = 120;  // HHMMSS, 32-bit
static_assert(kXmasterNameOffset + kXmasterNameChars < kXmasterPeriodicityOffset);

// A new record of EMASTER or XMASTER. Dates are date values, times HHMMSS (intraday only).
struct SExtendedEntry {
    int nFileNumber = 0;
    std::string strSymbol;       // at most 14 bytes
    std::string strName;         // at most 44 bytes
    int nFieldCount = 0;
    std::uint8_t nFieldSet = 0;
    std::int32_t nFirstDate = 0;
    std::int32_t nLastDate = 0;
    char cPeriodicity = 'D';     // 'D', 'W', 'M' or 'I'
    int nInterval = 0;           // minutes, intraday only
    std::int32_t nFirstTime = 0;
    std::int32_t nLastTime = 0;

    EmasterRecord ToEmaster() const;
    XmasterRecord ToXmaster() const;
};

// Texts of EMASTER and XMASTER: bytes up to the first zero within the field.
std::string FieldText(const std::uint8_t* p, std::size_t nWidth);
// Puts text into a field of nWidth bytes, zero-filling the rest.
void PutFieldText(std::uint8_t* p, std::size_t nWidth, const std::string& text);

// YYYYMMDD <-> date value; 0 stays 0. Values no date has wrap around rather than overflow.
constexpr std::int32_t YmdFromDateValue(std::int32_t nDateValue) {
    return nDateValue == 0 ? 0 : static_cast<std::int32_t>(static_cast<std::uint32_t>(nDateValue) + 19000000u);
}
constexpr std::int32_t DateValueFromYmd(std::int32_t nYmd) {
    return nYmd == 0 ? 0 : static_cast<std::int32_t>(static_cast<std::uint32_t>(nYmd) - 19000000u);
}

// Field bits of EMASTER and XMASTER.
constexpr std::uint8_t kFieldBitDate = 1;
constexpr std::uint8_t kFieldBitHigh = 2;
constexpr std::uint8_t kFieldBitLow = 4;
constexpr std::uint8_t kFieldBitClose = 8;
constexpr std::uint8_t kFieldBitVolume = 16;
constexpr std::uint8_t kFieldBitOpen = 32;
constexpr std::uint8_t kFieldBitOpenInterest = 64;
constexpr std::uint8_t kFieldBitTime = 128;

// The fields of a data record in record order (kFieldDate ..., kFieldTime) from a field set of
// EMASTER or XMASTER.
constexpr int kFieldTime = kFieldCount; // beside the seven fields of FieldFlags
std::vector<int> FieldsFromSet(std::uint8_t nFieldSet);
// The usual fields of a record without a field description: 2 Date, Close; 3 Date, Close,
// Volume; 4 Date, High, Low, Close; 5 Date, High, Low, Close, Volume; 6 Date, Open, High,
// Low, Close, Volume; 7 all. With bTime (intraday) a Time field follows the date and the
// others are the usual set of one field fewer. Empty for other counts.
std::vector<int> StandardFields(int nFieldCount, bool bTime = false);
// The fields that a F<n>.DOP text names, in its order; nullopt unless it names exactly
// nFieldCount known fields, each once, Date among them.
std::optional<std::vector<int>> ParseDopText(const std::string& text, int nFieldCount);

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
inline std::uint16_t ReadUInt16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::int32_t ReadInt32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                                     (static_cast<std::uint32_t>(p[2]) << 16) |
                                     (static_cast<std::uint32_t>(p[3]) << 24));
}
inline void WriteInt32(std::uint8_t* p, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(u >> (8 * i));
    }
}
// IEEE singles, as EMASTER holds its dates.
inline float ReadFloat(const std::uint8_t* p) {
    return std::bit_cast<float>(static_cast<std::uint32_t>(ReadInt32(p)));
}
inline void WriteFloat(std::uint8_t* p, float value) {
    WriteInt32(p, static_cast<std::int32_t>(std::bit_cast<std::uint32_t>(value)));
}
