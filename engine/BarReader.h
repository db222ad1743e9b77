// Strict reading of a price file into bars in memory: every physical line is split into
// fields, its date and numbers are read exactly as the chosen layout says, and anything else
// makes the line bad, with its number, the offending text and the reason. Nothing is guessed,
// nothing is taken from another line, and nothing is written anywhere. Lines holding nothing
// but blanks and delimiters are skipped like blank lines; every physical line is counted.
// After the optional reversal the dates of each series must rise strictly; a series whose
// dates mostly fall (mostly rise, with reversal on) is refused as a whole, naming the setting.
#pragma once

#include "metastock/Records.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CFileSystem;
class CLineReader;

// How the lines of a file are read.
struct SInputLayout {
    char cDelimiter = ',';       // ',' '\t' ';' (each one separates a field; RFC 4180 quotes) or ' ' (runs of blanks)
    bool bDecimalComma = false;  // numbers use ',' as decimal mark and no full stop (never with the comma delimiter)
    int nDateFormat = 9;         // [1, 12], the date-format list's numbers
    FieldFlags fieldOn{true, true, true, true, true, true, true}; // Date and Close always on
    std::array<int, kFieldCount> fieldCol{0, 1, 2, 3, 4, 5, 6};   // zero-based columns
    int nSymbolCol = -1;         // zero-based column of a symbol, -1 when none
    int nSkipRows = 0;           // leading physical lines to skip, [0, 200]
    bool bReverse = false;       // the file runs newest first
    bool bSkipBadLines = false;  // leave bad lines out instead of failing
};

// One bar read from a line: the date value ((year - 1900) * 10000 + month * 100 + day) and the
// values of the fields that are on (index kFieldDate unused, 0 for fields that are off).
struct SBar {
    std::int32_t nDate = 0;
    std::array<float, kFieldCount> values{};
    std::uint64_t nLine = 0; // physical line number in the file, from 1
};

// The bars of one symbol (the whole file when there is no symbol column), in conversion
// order: reversed when the layout says so.
struct SSeries {
    std::string strSymbol; // empty without a symbol column; else as the column holds it, trimmed
    std::vector<SBar> bars;
};

struct SBadLine {
    std::uint64_t nLine = 0;
    std::string strText;   // the offending field's text, or the start of the line
    std::string strReason; // such as "\"N/A\" in the Volume column (6) is not a number"
};

// What a field of one line reads as, for the settings dialog's preview.
struct SFieldCell {
    std::string strText;              // the field as shown (a date as YYYY-MM-DD when it reads)
    std::optional<std::string> error; // why it makes the line bad
};

struct SLinePreview {
    std::uint64_t nLine = 0;
    bool bSkipped = false;                      // a leading row to skip, or a blank line
    std::array<SFieldCell, kFieldCount> cells;  // fields that are off stay empty
    SFieldCell symbol;                          // the symbol column's cell, when there is one
    std::optional<std::string> lineError;       // a problem of the whole line (too long, date order, not plain text)
};

struct SReadResult {
    std::vector<SSeries> series;           // in order of first appearance; empty when the read failed
    std::uint64_t nLines = 0;              // physical lines in the file (up to a fault that stopped the read)
    std::uint64_t nBadLines = 0;
    std::vector<SBadLine> firstBadLines;   // the first few, at most 5, in line order
    std::vector<std::string> errors;       // why the read fails; empty when it succeeded
    bool Ok() const { return errors.empty(); }
    // The one message that says why the read failed: how many lines are bad and the first few.
    std::string Message() const;
};

class CBarReader {
public:
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;
    static constexpr std::size_t kMaxBars = kMaxBarsPerFile; // per series
    static constexpr int kMaxColumns = 256;                // columns a layout may name, 0-based below this
    static constexpr std::size_t kMaxSeries = 65535;       // distinct symbols of one file
    static constexpr std::size_t kMaxSymbolBytes = 64;     // a longer symbol makes its line bad
    static constexpr std::size_t kMaxStoredBars = 1 << 24; // bars of all series together, to bound memory

    explicit CBarReader(SInputLayout layout);

    // Reads a whole file (streamed: memory stays bounded whatever its size).
    SReadResult ReadFile(CFileSystem& fs, const std::filesystem::path& path) const;
    // The same for text in memory.
    SReadResult ReadText(std::string_view text) const;

    // The first nLines lines as the layout reads them, for the preview: one row per physical
    // line. Lines whose dates do not rise get a lineError; a file that is not plain text ends
    // with a row whose lineError says so.
    std::vector<SLinePreview> Preview(std::string_view text, std::size_t nLines) const;
    // The same for the start of a file, reading no more of it than those lines need.
    std::vector<SLinePreview> PreviewFile(CFileSystem& fs, const std::filesystem::path& path, std::size_t nLines) const;

private:
    SReadResult Read(CLineReader& reader, std::vector<SLinePreview>* pPreview, std::size_t nPreviewLines) const;

    SInputLayout m_layout;
};
