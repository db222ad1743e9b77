// What makes a line of a price file bad, kept as a small value while the file is read and put
// into words only for the lines a message shows or a run lists.
#pragma once

#include "engine/FieldSplitter.h"
#include "engine/InputLayout.h"
#include "engine/NumberScan.h"
#include "metastock/Dates.h"

#include <cstdint>
#include <string>
#include <string_view>

enum class EFaultKind { Missing, Empty, Quote, Date, Time, NoTime, Number, LongSymbol, TooLong, Order, FieldCount };

struct SLineFault {
    EFaultKind kind = EFaultKind::Missing;
    int nField = 0;                // kField..., kSymbolField or kTimeField
    std::size_t nColumn = 0;       // zero-based
    std::size_t nColumns = 0;      // Missing, FieldCount: the columns the line has
    std::size_t nUsualColumns = 0; // FieldCount: the columns of the lines read before
    std::string_view text;         // the field's text, valid while its line is
    EQuoteFault quote = EQuoteFault::None;
    SDateReading date;
    STimeReading time;
    ENumberFault number = ENumberFault::None;
    std::int32_t nDate = 0;        // Order: this line's date and time, the other line's and its number
    std::int32_t nTime = 0;
    std::int32_t nOtherDate = 0;
    std::int32_t nOtherTime = 0;
    std::uint64_t nOtherLine = 0;
    bool bLater = false;           // Order: the other line comes after this one
};

// The reason in words: "\"N/A\" in the Volume column (6) is not a number".
std::string FaultReason(const SLineFault& fault, const SInputLayout& layout);

// A field as a message shows it: quoted, cut to a readable length, in UTF-8 whatever the
// file's encoding (text that is not UTF-8 is taken as Windows-1252).
std::string ShownText(std::string_view text);
std::string DisplayedText(std::string_view text);
// 1234567 as "1,234,567".
std::string GroupedNumber(std::uint64_t n);
// A date value, with its time for intraday bars: "2023-09-01" or "2023-09-01 09:30:00".
std::string BarTimeText(std::int32_t nDate, std::int32_t nTime, bool bIntraday);
