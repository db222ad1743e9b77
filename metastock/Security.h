// A security as the directory files list it, read from a record of MASTER, EMASTER or
// XMASTER; what a caller hands over for a new one and gets back as its bars; and the names of
// its files in the folder.
#pragma once

#include "metastock/Records.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Which directory file lists a security: MASTER (with its twin record in EMASTER where the
// folder has one; data file F<n>.DAT) or XMASTER (data file F<n>.MWD).
enum class EDirectoryFile { Master, Xmaster };

// The field bits of a daily field set (Date, Open, ..., Open interest flags).
std::uint8_t FieldSetBits(const FieldFlags& fields);

// The name of a security's data file: "F<n>.DAT" (MASTER) or "F<n>.MWD" (XMASTER), and of its
// field description "F<n>.DOP".
std::string DataFileName(EDirectoryFile directory, int nFileNumber);
std::string DopFileName(int nFileNumber);
// n of a name "F<n>.<anything>" in any case (capped at 2^20), which no new security may take.
std::optional<int> DataFileNumber(const std::string& name);

// A security as the directory files list it. Dates are date values,
// (year - 1900) * 10000 + month * 100 + day.
struct SSecurity {
    EDirectoryFile directory = EDirectoryFile::Master;
    std::size_t nRecord = 0;    // index among that file's records, from 0 (after the header)
    int nFileNumber = 0;        // [1, 255] in MASTER, [256, 65534] in XMASTER
    std::string strSymbol;      // Windows-1252 bytes, padding removed
    std::string strName;        // Windows-1252; the whole name where EMASTER or XMASTER holds it
    int nFieldCount = 0;        // fields per data record, the time included
    std::uint8_t nFieldSet = 0; // field bits; 0 where no EMASTER or XMASTER record says
    char cPeriodicity = 'D';    // 'D' daily, 'I' intraday; other letters as found
    int nInterval = 0;          // minutes, intraday only
    std::int32_t nFirstDate = 0;
    std::int32_t nLastDate = 0;
    std::string strDataFile; // "F<n>.DAT" or "F<n>.MWD", spelled as on disk where it exists
};

// One bar as read from a data file: the date value, the time as HHMMSS (intraday, else 0) and
// the values of kFieldOpen ... kFieldOpenInterest (index kFieldDate unused; 0 where absent).
struct SBarValues {
    std::int32_t nDate = 0;
    std::int32_t nTime = 0;
    std::array<float, kFieldCount> values{};
};

// A security's bars with the fields its data file holds, in record order.
struct SSecurityBars {
    std::vector<int> fields; // kFieldDate ... and kFieldTime, in record order
    bool bTime = false;      // records hold a time after the date
    std::vector<SBarValues> bars;
    std::vector<std::string> warnings; // an unusable F<n>.DOP, bars beyond the header count
};

// A new daily security as the converter hands it over: its bars already encoded as the data
// file holds them (one MBF single per field that is on, in field order; no header record).
struct SNewSecurity {
    std::string strSymbol; // Windows-1252, 1 to 14 characters, cleaned
    std::string strName;   // Windows-1252, 0 to 44 characters
    FieldFlags fields{};   // Date and Close on
    std::vector<std::uint8_t> records;
    std::int32_t nBarCount = 0;  // [1, 65534]
    std::int32_t nFirstDate = 0; // date values of the first and the last bar
    std::int32_t nLastDate = 0;
};

// The security a record describes; nRecord is the record's index after the header. The
// data file's name is left to the caller, who knows how the folder spells it.
SSecurity SecurityFromMaster(const MasterRecord& record, std::size_t nRecord);
SSecurity SecurityFromEmaster(const EmasterRecord& record, std::size_t nRecord);
SSecurity SecurityFromXmaster(const XmasterRecord& record, std::size_t nRecord);
std::string EmasterSymbol(const EmasterRecord& record);
// The whole name: the long-name field where it holds one, else the 16-character field.
std::string EmasterName(const EmasterRecord& record);
int XmasterFileNumber(const XmasterRecord& record);

// Date values as MASTER (MBF) and EMASTER (IEEE) hold them; values no date has are clamped.
std::int32_t DateValueFromMbf(const std::uint8_t* p);
std::int32_t DateValueFromFloat(float value);
MbfSingle DateMbf(std::int32_t nDateValue);
// "YYYYMMDD" of a date value, as the reports show dates.
std::string YmdText(std::int32_t nDateValue);
