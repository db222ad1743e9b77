// Works out how a price file is laid out from its first lines: the delimiter and decimal mark,
// the header rows, the date column and which of the twelve date layouts it holds, a time of day
// (in the date field or a column of its own) and what one bar stands for, a currency the prices
// carry, the columns of the fields and whether the file runs newest first. The user starts from
// a layout that reads the file instead of guessing it from raw lines. What could not be decided
// is a doubt, said in words and tied to the choice it is about, never a silent guess; the
// layout found is then tried on those lines with the strict reader.
#pragma once

#include "engine/InputLayout.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CFileSystem;
class CWording;
enum class ESetting;

enum class EConfidence { Certain, Likely, Unsure };

// The choices detection makes. Reading: the layout found, tried on the lines read.
enum class EDetectChoice {
    Delimiter, DecimalMark, HeaderRows, DateColumn, DateFormat, Time, Period, Currency,
    Open, High, Low, Close, Volume, OpenInterest, Order, Reading,
};
inline constexpr std::size_t kDetectChoiceCount = 16;
// The choice of each field's column, in field order (the date's: its column).
inline constexpr std::array<EDetectChoice, kFieldCount> kFieldChoices = {
    EDetectChoice::DateColumn, EDetectChoice::Open,   EDetectChoice::High,         EDetectChoice::Low,
    EDetectChoice::Close,      EDetectChoice::Volume, EDetectChoice::OpenInterest,
};
// The fields as convert's options name them (--open-col, --no-oi), in field order.
inline constexpr std::array<const char*, kFieldCount> kFieldOptionNames = {"date",  "open",   "high", "low",
                                                                         "close", "volume", "oi"};

// What could not be decided for certain about one choice, in a sentence.
struct SDoubt {
    EDetectChoice choice;
    EConfidence confidence; // Likely: a note; Unsure: a guess that must not be converted unseen
    std::string strText;
    std::optional<EDetectChoice> alsoChoice; // a second choice the sentence is about (high and low)
    bool IsAbout(EDetectChoice about) const { return choice == about || alsoChoice == about; }
};

struct SLayoutDetection {
    SInputLayout layout;                  // the layout found
    std::vector<SDoubt> doubts;           // in the order they arose
    std::optional<std::string> failure;   // why no layout could be found (not text, empty, no dates)
    bool bQuoted = false;                 // some fields are in quotes
    std::vector<std::string> columnNames; // the header row's names by column from 0; empty without one
    std::size_t nLinesRead = 0;           // physical lines looked at: the whole file when it is short
    std::uint64_t nBadLines = 0;          // of those, lines the strict reader refuses with the layout found

    // The least sure of a choice's doubts; Certain without one.
    EConfidence Confidence(EDetectChoice choice) const;
    // No failure and no doubt at all.
    bool AllCertain() const;
    // No failure and no Unsure doubt: the layout converts without a guess.
    bool Runnable() const;
    // The user made the choice: its doubts are settled and said no more.
    void Settle(EDetectChoice choice);
};

class CLayoutDetector {
public:
    static constexpr std::size_t kSampleLines = 4000;
    static constexpr std::size_t kSampleBytes = 8 * 1024 * 1024;

    // Messages of the trial read speak in wording's terms.
    explicit CLayoutDetector(const CWording& wording, std::size_t nSampleLines = kSampleLines);

    // Detection from the first lines of a text.
    SLayoutDetection Detect(std::string_view text) const;
    // The same from the start of a file, read no further than those lines.
    SLayoutDetection DetectFile(CFileSystem& fs, const std::filesystem::path& path) const;

    // The first nLines physical lines of a file (fewer past kSampleBytes), each ended by "\n",
    // a byte-order mark left out, so that line numbers stay those of the file. nullopt, with
    // strProblem saying why, when the file cannot be opened or read or is not plain text.
    static std::optional<std::string> ReadFirstLines(CFileSystem& fs, const std::filesystem::path& path,
                                                     std::size_t nLines, std::string& strProblem);

private:
    const CWording& m_wording;
    std::size_t m_nSampleLines;
};

// The setting that settles a choice (the date format for DateFormat, ...).
ESetting SettingOf(EDetectChoice choice);

// A layout as options of pelmar-cli convert, on one line ready to paste: "--delimiter semicolon
// --decimal-comma --date-format DD_MM_CCYY --skip-rows 1 --date-col 1 --open-col 2 ... --no-oi
// --reverse".
std::string ConvertOptionsText(const SInputLayout& layout);

// The choices the user made himself (options given, settings set), which detection must not
// override and whose doubts are settled.
using DetectChoices = std::array<bool, kDetectChoiceCount>;

// A file's layout as detected, with the user's own choices laid over it and their doubts settled.
struct SDetectedLayout {
    std::optional<std::string> failure; // the file cannot be read, or no layout was found in it
    SInputLayout layout;
    std::vector<SDoubt> doubts;         // those that remain

    // An unsure choice the user did not make: converting would store a guess that may read
    // well but wrongly (day and month told apart by nothing, a decimal comma taken for a
    // thousands separator).
    bool Guessed() const;
    // Lines of the sample that the layout does not read.
    bool BadLines() const;
    // Why a conversion may not go ahead with this layout (a failure, a guess, or bad lines that
    // are not to be left out), each doubt with the setting that settles it; empty when it may.
    std::string Refusal(bool bSkipBadLines, const CWording& wording) const;
};

// Detects the layout of a file and lays the user's choices over it (given sets them; settled
// says which choices they make). With a symbol column the order and the reading are judged
// per symbol by the conversion itself, not over the lines of all symbols mixed.
SDetectedLayout DetectedLayout(CFileSystem& fs, const std::filesystem::path& path,
                               const std::function<void(SInputLayout&)>& given, const DetectChoices& settled,
                               const CWording& wording);
// The unsure doubts among doubts (those of the reading only with bReading), each with the
// setting that settles it, one a line.
std::string DoubtsText(const std::vector<SDoubt>& doubts, bool bReading, const CWording& wording);
