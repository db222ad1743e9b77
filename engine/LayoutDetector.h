// Works out how a price file is laid out from its first lines: the delimiter and decimal mark,
// the header rows, the date column and which of the twelve date layouts it holds, the columns
// of the fields and whether the file runs newest first. The user starts from settings that
// read the file instead of guessing them from raw lines. Every choice says how sure it is, and
// what could not be decided is said in words rather than guessed silently; the settings found
// are then tried on those lines with the strict reader.
#pragma once

#include "engine/JobSettings.h"

#include <array>
#include <functional>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CFileSystem;
struct SInputLayout;

enum class EConfidence { Certain, Likely, Unsure };

// The choices detection makes. Reading: the settings found, tried on the lines read.
enum class EDetectChoice {
    Delimiter, DecimalMark, HeaderRows, DateColumn, DateFormat,
    Open, High, Low, Close, Volume, OpenInterest, Order, Reading,
};
inline constexpr std::size_t kDetectChoiceCount = 13;

struct SLayoutDetection {
    SImportSettings settings;        // the layout found; members detection does not decide keep their defaults
    std::array<EConfidence, kDetectChoiceCount> confidence{}; // all Certain until a doubt lowers one
    std::vector<std::string> doubts; // one sentence for each choice that is not certain
    std::optional<std::string> failure; // why no layout could be found (not text, empty, no dates)
    bool bQuoted = false;            // some fields are in quotes
    std::vector<std::string> columnNames; // the header row's names by column from 0; empty without one
    std::size_t nLinesRead = 0;      // physical lines looked at: the whole file when it is short
    std::uint64_t nBadLines = 0;     // of those, lines the strict reader refuses with the settings found

    EConfidence Confidence(EDetectChoice choice) const { return confidence[static_cast<std::size_t>(choice)]; }
    // No failure and every choice certain.
    bool AllCertain() const;
};

class CLayoutDetector {
public:
    static constexpr std::size_t kSampleLines = 4000;
    static constexpr std::size_t kSampleBytes = 8 * 1024 * 1024;

    explicit CLayoutDetector(std::size_t nSampleLines = kSampleLines);

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
    std::size_t m_nSampleLines;
};

// How the strict reader reads a file under settings (columns from 0, the delimiter as its
// character), for a trial read or a preview.
SInputLayout InputLayoutOf(const SImportSettings& settings);

// The layout part of settings as options of pelmar-cli convert, on one line ready to paste:
// "--delimiter semicolon --decimal-comma --date-format DD_MM_CCYY --skip-rows 1 --date-col 1
// --open-col 2 ... --no-oi --reverse". Output folder, symbol, name and master mode are left out.
std::string ConvertOptionsText(const SImportSettings& settings);

// Puts into detected settings what is the user's to choose, not the file's layout: the input
// and output, symbol, name, master mode and whether bad lines are skipped.
void KeepUserChoices(SImportSettings& detected, const SImportSettings& user);

// The choices the user made himself (options given, settings set), which detection must not
// override and whose doubts do not matter.
using DetectChoices = std::array<bool, kDetectChoiceCount>;

// Detects the layout of a file and applies explicit over the settings found; base gives what
// detection does not decide (output folder, symbol, name, master mode). notes receives the
// doubts that remain. nullopt with the reason when the file cannot be read, or when a choice
// that the user did not make is unsure: a guess that reads well but wrongly (day and month
// told apart by nothing) would store wrong bars without a word.
std::optional<SImportSettings> DetectedSettings(CFileSystem& fs, const std::filesystem::path& path,
                                                const SImportSettings& base,
                                                const std::function<void(SImportSettings&)>& explicitSettings,
                                                const DetectChoices& explicitChoices,
                                                std::vector<std::string>& notes, std::string& strProblem);
