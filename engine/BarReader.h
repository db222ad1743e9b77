// Strict reading of a price file into bars in memory: every physical line is split into
// fields, its date, time and numbers are read exactly as the layout says, and anything else
// makes the line bad, with its number, the offending text and the reason. Nothing is guessed,
// nothing is taken from another line, and nothing is written anywhere. Lines holding nothing
// but blanks and delimiters are skipped like blank lines; every physical line is counted.
// After the optional reversal the bars of each series must rise strictly (by date, and by
// time for intraday bars); a series that mostly falls (mostly rises, with reversal on) is
// refused as a whole, naming the setting.
#pragma once

#include "engine/InputLayout.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CFileSystem;
class CLineReader;
class CWording;

// One bar read from a line: the date value ((year - 1900) * 10000 + month * 100 + day), the
// time as HHMMSS (intraday bars; 0 otherwise) and the values of the fields that are on (index
// kFieldDate unused, 0 for fields that are off).
struct SBar {
    std::int32_t nDate = 0;
    std::int32_t nTime = 0;
    std::array<float, kFieldCount> values{};
    std::uint64_t nLine = 0; // physical line number in the file, from 1
};

// The bars of one symbol (the whole file when there is no symbol column), in conversion
// order: reversed when the layout says so.
struct SSeries {
    std::string strSymbol;      // empty without a symbol column; else as the column holds it, trimmed
    std::vector<SBar> bars;
    std::uint64_t nLeftOut = 0; // older bars left out to keep the newest a security holds
};

struct SBadLine {
    std::uint64_t nLine = 0;
    std::string strText;   // the offending field's text, or the start of the line
    std::string strReason; // such as "\"N/A\" in the Volume column (6) is not a number"
};

// What a field of one line reads as, for the settings dialog's preview: the value to be
// written (a number in one plain form with the point as its mark, a date as YYYY-MM-DD, a time
// as HH:MM:SS), or why the line is bad.
struct SFieldCell {
    std::string strText;
    std::optional<std::string> error;
};

struct SLinePreview {
    std::uint64_t nLine = 0;
    bool bSkipped = false;                      // a leading row to skip, or a blank line
    std::array<SFieldCell, kFieldCount> cells;  // fields that are off stay empty
    SFieldCell time;                            // the time of an intraday bar
    SFieldCell symbol;                          // the symbol column's cell, when there is one
    std::optional<std::string> lineError;       // a problem of the whole line (too long, order, not plain text)
};

struct SReadResult {
    std::vector<SSeries> series;         // in order of first appearance; empty when the read failed
    std::uint64_t nLines = 0;            // physical lines in the file (up to a fault that stopped the read)
    std::uint64_t nBadLines = 0;
    // The bad lines in line order: the first few for a read that fails; every one (up to
    // kMaxListedBadLines) when bad lines are left out, so that each can be named.
    std::vector<SBadLine> badLines;
    std::vector<std::string> errors;     // why the read fails; empty when it succeeded
    bool Ok() const { return errors.empty(); }
    // The one message that says why the read failed: how many lines are bad and the first few.
    std::string Message() const;
};

class CBarReader {
public:
    static constexpr std::size_t kMaxBars = kMaxBarsPerFile; // per series
    static constexpr std::size_t kMaxSeries = 65535;       // distinct symbols of one file
    static constexpr std::size_t kMaxSymbolBytes = 64;     // a longer symbol makes its line bad
    static constexpr std::size_t kMaxStoredBars = 1 << 24; // bars of all series together, to bound memory
    static constexpr std::size_t kShownBadLines = 5;       // in the message of a read that fails
    static constexpr std::size_t kMaxListedBadLines = 100000; // named when bad lines are left out

    CBarReader(SInputLayout layout, SReadOptions options, const CWording& wording);

    // Reads a whole file (streamed: memory stays bounded whatever its size).
    SReadResult ReadFile(CFileSystem& fs, const std::filesystem::path& path) const;
    // The same for text in memory.
    SReadResult ReadText(std::string_view text) const;

    // The first nLines lines as the layout reads them, for the preview: one row per physical
    // line. Lines whose bars are out of order get a lineError; a file that is not plain text
    // ends with a row whose lineError says so.
    std::vector<SLinePreview> Preview(std::string_view text, std::size_t nLines) const;
    // The same for the start of a file, reading no more of it than those lines need.
    std::vector<SLinePreview> PreviewFile(CFileSystem& fs, const std::filesystem::path& path, std::size_t nLines) const;

private:
    SReadResult Read(CLineReader& reader, std::vector<SLinePreview>* pPreview, std::size_t nPreviewLines) const;

    SInputLayout m_layout;
    SReadOptions m_options;
    const CWording& m_wording;
};

// A value as the preview shows it and a message names it: the shortest text that reads back
// as the same single, with the point as its mark ("88.435", "918691").
std::string ValueText(float fValue);
