// The delimiter and the decimal mark: the pair under which the most fields read as numbers or
// dates; where the marks read alike (1,234 is 1234 with the one and 1.234 with the other), the
// evidence the file holds decides, and only a file that holds none leaves a doubt.
#include "engine/LayoutAnalysis.h"

#include "engine/FieldSplitter.h"
#include "metastock/Dates.h"

#include <algorithm>
#include <iterator>

namespace {

struct SDelimiterChoice {
    char cDelimiter;
    bool bDecimalComma;
};
// In order of preference where two read the lines equally well.
constexpr SDelimiterChoice kDelimiterChoices[] = {
    {',', false}, {';', false}, {';', true}, {'\t', false}, {'\t', true}, {' ', false}, {' ', true},
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A date with dots between day, month and year (03.01.2023): the way of the countries that
// write a decimal comma.
bool IsDottedDate(std::string_view text) {
    const std::string_view date = SplitDateTime(text).first;
    return ReadsAsDate(date) && std::count(date.begin(), date.end(), '.') == 2;
}

// The cells of every line under a delimiter.
std::vector<std::vector<std::string>> CellsOf(const std::vector<SSampleLine>& lines, char cDelimiter) {
    std::vector<std::vector<std::string>> cells;
    CFieldSplitter splitter(cDelimiter);
    for (const SSampleLine& line : lines) {
        std::vector<std::string>& row = cells.emplace_back();
        if (line.bBlank) {
            continue;
        }
        splitter.Split(line.strText, CLayoutAnalysis::kMaxAnalysedColumns);
        for (std::size_t k = 0; k < splitter.Count(); ++k) {
            row.emplace_back(splitter.Field(k));
        }
    }
    return cells;
}

// What the file tells about a mark that reads both ways: true for a decimal comma, false for
// a decimal point, nullopt when nothing tells. mark: the ambiguous character.
std::optional<bool> MarkEvidence(const std::vector<std::vector<std::string>>& cells, char cDelimiter, char cMark) {
    bool bDotted = false;
    bool bOtherMark = false;       // numbers with the other character
    bool bLargeWithout = false;    // a whole number of 4 digits or more without the mark
    bool bMarked = false;          // numbers with the mark
    const char cOther = cMark == ',' ? '.' : ',';
    for (const std::vector<std::string>& row : cells) {
        for (const std::string& cell : row) {
            if (IsDottedDate(cell)) {
                bDotted = true;
                continue;
            }
            if (ReadsAsDate(cell) || cell.empty() || !IsDigit(cell.back())) {
                continue;
            }
            const bool bDigits = std::all_of(cell.begin(), cell.end(), [](char c) { return IsDigit(c); });
            bLargeWithout = bLargeWithout || (bDigits && cell.size() >= 4);
            bMarked = bMarked || cell.find(cMark) != std::string::npos;
            bOtherMark = bOtherMark || cell.find(cOther) != std::string::npos;
        }
    }
    // Numbers of four digits and more written without the mark beside numbers that carry it:
    // the mark is no thousands separator, or those would carry it too.
    if (bMarked && bLargeWithout) {
        return cMark == ',';
    }
    // A semicolon file whose numbers hold commas and no points, or dates with dots: the
    // conventions of the decimal comma.
    if (cMark == ',' && !bOtherMark && (cDelimiter == ';' || bDotted)) {
        return true;
    }
    return std::nullopt;
}

void SplitLines(CLayoutAnalysis& analysis) {
    CFieldSplitter splitter(analysis.m_cDelimiter);
    for (SSampleLine& line : analysis.m_lines) {
        if (line.bBlank) {
            continue;
        }
        splitter.Split(line.strText, CLayoutAnalysis::kMaxAnalysedColumns);
        for (std::size_t k = 0; k < splitter.Count(); ++k) {
            line.cells.emplace_back(splitter.Field(k));
        }
        // The reader skips a line of nothing but delimiters as it skips a blank one.
        line.bBlank = splitter.IsBlank(line.strText);
        analysis.m_nColumns = std::max(analysis.m_nColumns, line.cells.size());
        analysis.m_result.bQuoted = analysis.m_result.bQuoted || line.strText.find('"') != std::string::npos;
    }
}

} // namespace

bool ChooseDelimiter(CLayoutAnalysis& analysis) {
    std::size_t scores[std::size(kDelimiterChoices)] = {};
    std::size_t nBest = 0;
    for (std::size_t i = 0; i < std::size(kDelimiterChoices); ++i) {
        for (const std::vector<std::string>& row : CellsOf(analysis.m_lines, kDelimiterChoices[i].cDelimiter)) {
            for (const std::string& cell : row) {
                const std::string_view date = SplitDateTime(cell).first;
                scores[i] += ReadNumber(cell, kDelimiterChoices[i].bDecimalComma).fault == ENumberFault::None ||
                                     ReadsAsDate(cell) || ReadsAsDate(date)
                                 ? 1
                                 : 0;
            }
        }
        nBest = scores[i] > scores[nBest] ? i : nBest;
    }
    if (scores[nBest] == 0) {
        return analysis.Fail("No line holds numbers or dates that could be read.");
    }
    analysis.m_cDelimiter = kDelimiterChoices[nBest].cDelimiter;
    analysis.m_bDecimalComma = kDelimiterChoices[nBest].bDecimalComma;
    // Numbers such as 1,234 read under both marks: the one tie that evidence must decide.
    for (std::size_t i = 0; i < std::size(kDelimiterChoices); ++i) {
        if (i == nBest || kDelimiterChoices[i].cDelimiter != analysis.m_cDelimiter || scores[i] != scores[nBest]) {
            continue;
        }
        const char cMark = analysis.m_cDelimiter == ',' ? '.' : ',';
        const auto cells = CellsOf(analysis.m_lines, analysis.m_cDelimiter);
        const bool bMarks = std::any_of(cells.begin(), cells.end(), [&](const std::vector<std::string>& row) {
            return std::any_of(row.begin(), row.end(), [&](const std::string& cell) {
                return !IsDottedDate(cell) && cell.find(cMark) != std::string::npos;
            });
        });
        if (!bMarks) {
            continue;
        }
        if (const auto comma = MarkEvidence(cells, analysis.m_cDelimiter, cMark)) {
            analysis.m_bDecimalComma = *comma;
            continue;
        }
        analysis.Doubt(EDetectChoice::DecimalMark, EConfidence::Unsure,
                       "The numbers read alike with a decimal point and with a decimal comma (1,234 is 1234 with "
                       "the one and 1.234 with the other), and nothing else in the file tells which it uses.");
    }
    for (std::size_t i = 0; i < std::size(kDelimiterChoices); ++i) {
        const char c = kDelimiterChoices[i].cDelimiter;
        // Runs of blanks split a file of tabs alike wherever it has numbers.
        const bool bSame = c == analysis.m_cDelimiter || (analysis.m_cDelimiter == '\t' && c == ' ');
        if (i != nBest && scores[i] == scores[nBest] && !bSame) {
            analysis.Doubt(EDetectChoice::Delimiter, EConfidence::Unsure,
                           std::string("The lines read as well split at each ") + DelimiterWord(c) + " as at each " +
                               DelimiterWord(analysis.m_cDelimiter) + "; the " + DelimiterWord(analysis.m_cDelimiter) +
                               " was chosen.");
            break;
        }
    }
    SplitLines(analysis);
    return true;
}
