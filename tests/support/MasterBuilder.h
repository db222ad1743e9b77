// Builders of MetaStock databases as other software writes them, for tests: MASTER files
// with any counts, reserved bytes, security and directory entries and records beyond the
// entry count; EMASTER and XMASTER files as the charting software lays them out; data files
// with any bars and header count. Bytes are held in std::string
// as TempDir's WriteFile takes them; a truncated file is Bytes().substr(0, n).
#pragma once

#include "metastock/Records.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// One security entry. The defaults are an entry as the converter writes it.
struct SEntryDesc {
    int nFileNumber = 1;           // [1, 255] in MASTER and EMASTER, from 256 in XMASTER
    std::string strSymbol = "ABC"; // MASTER: bytes at offset 36, up to 17 (offset 52 included)
    std::string strName = "ALPHA CORP"; // MASTER the first 16; EMASTER the long name too; XMASTER whole
    float fFirstDate = 990104.0f;  // date values, stored as MBF singles
    float fLastDate = 991231.0f;
    int nFieldCount = 5;           // byte 4, any byte value
    int nRecordLength = -1;        // byte 3; -1: 4 x field count
    char cPad = ' ';               // what fills the text fields after the text; other software uses NUL
    std::uint8_t nTimeFrame = 'D'; // byte 33; 'I' intraday
    int nInterval = 0;             // minutes, intraday
    std::uint8_t nFieldSet = 0;    // EMASTER and XMASTER field bits
};

MasterRecord MakeSecurityRecord(const SEntryDesc& desc);
// An entry naming subdirectory dir (up to 8 characters) as other software writes it: the
// name padded with spaces, "<DIR>" at name positions 11 to 15.
MasterRecord MakeDirectoryRecord(std::uint8_t nFileNumber, const std::string& dir);

class CMasterBuilder {
public:
    CMasterBuilder& Security(const SEntryDesc& desc);
    CMasterBuilder& Directory(std::uint8_t nFileNumber, const std::string& dir);
    CMasterBuilder& Record(const MasterRecord& record);
    // Both default to the number of records added; a count below it leaves records beyond
    // the entry count, one above it a MASTER that ends before its count.
    CMasterBuilder& EntryCount(std::int16_t nCount);
    CMasterBuilder& FileCounter(std::int16_t nCounter);
    // Header bytes 4 to 52; the converter writes zeros, other software may not.
    CMasterBuilder& Reserved(std::uint8_t fill);

    std::string Bytes() const;
    // Writes Bytes() to path; a failure is reported to the running test.
    bool Write(const std::filesystem::path& path) const;

private:
    std::vector<MasterRecord> m_records;
    std::optional<std::int16_t> m_nEntryCount;
    std::optional<std::int16_t> m_nFileCounter;
    std::uint8_t m_nReservedFill = 0;
};

// EMASTER and XMASTER as the charting software writes them: a header (EMASTER: the count at
// 0 and 2, the serial at 49 and a notice text; XMASTER: its signature, the counts, the next
// number, default the highest + 1), then one record per desc. XMASTER symbols carry leftover
// bytes after their terminator, as real files do. Other counts: change the bytes.
std::string MakeEmasterBytes(const std::vector<SEntryDesc>& descs);
std::string MakeXmasterBytes(const std::vector<SEntryDesc>& descs, int nNextNumber = 0);

// A data file of nFieldCount fields: the header as the converter creates it, its count set
// to the number of bars + 1 unless headerRecordCount gives one, then each bar's values as
// MBF singles (a bar with other than nFieldCount values is cut or filled with zeros).
std::string MakeDataFileBytes(int nFieldCount, const std::vector<std::vector<float>>& bars,
                              std::optional<std::uint16_t> headerRecordCount = std::nullopt);

// Field flags from a list of field numbers (kFieldDate ...), for MakeDopText.
FieldFlags MakeFieldFlags(const std::vector<int>& fields);
