#include "engine/LayoutAnalysis.h"

#include "engine/BarReader.h"
#include "engine/JobSettings.h"
#include "metastock/Dates.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <map>

namespace {

// The prices of one bar lie within this factor of each other; a volume or a count does not.
constexpr double kPriceSpread = 4.0;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool MayBeDate(std::string_view text) {
    return text.size() >= 5 && text.size() <= 10 && IsDigit(text.front()) && IsDigit(text.back());
}

bool ReadsAsDate(std::string_view text) {
    if (!MayBeDate(text)) {
        return false;
    }
    for (int f = 1; f <= kDateFormatCount; ++f) {
        if (ReadDateText(text, static_cast<EDateFormat>(f)).fault == EDateFault::None) {
            return true;
        }
    }
    return false;
}

std::pair<std::string_view, std::optional<std::int32_t>> DateAndTime(std::string_view cell) {
    const auto [date, time] = SplitDateTime(cell);
    if (time.empty()) {
        return {cell, std::nullopt};
    }
    const STimeReading reading = ReadTimeText(time);
    if (reading.fault != ETimeFault::None) {
        return {cell, std::nullopt};
    }
    return {date, reading.nTime};
}

std::string ColumnList(const std::vector<std::size_t>& columns) {
    std::string text;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == columns.size() ? " and " : ", ") + std::to_string(columns[i] + 1);
    }
    return text;
}

CLayoutAnalysis::CLayoutAnalysis(std::vector<SSampleLine> lines) : m_lines(std::move(lines)) {}

void CLayoutAnalysis::Doubt(EDetectChoice choice, EConfidence confidence, std::string strText,
                            std::optional<EDetectChoice> alsoChoice) {
    if (!strText.empty() && strText[0] >= 'a' && strText[0] <= 'z') {
        strText[0] = static_cast<char>(strText[0] - 'a' + 'A');
    }
    m_result.doubts.push_back({choice, confidence, std::move(strText), alsoChoice});
}

bool CLayoutAnalysis::Fail(std::string strText) {
    m_result.failure = std::move(strText);
    return false;
}

SNumberReading CLayoutAnalysis::Number(std::string_view cell) const {
    std::string scratch;
    return ReadNumber(WithoutCurrency(cell, m_strCurrency, scratch), m_bDecimalComma);
}

bool CLayoutAnalysis::Near(std::size_t a, std::size_t b) const {
    if (!IsNumeric(a) || !IsNumeric(b)) {
        return false;
    }
    for (std::size_t r = 0; r < m_measured.size(); ++r) {
        const double fA = Stats(a).values[r];
        const double fB = Stats(b).values[r];
        if (std::max(fA, fB) > kPriceSpread * std::min(fA, fB)) {
            return false;
        }
    }
    return true;
}

// Near the close, and not whole numbers beside a close with fractions (a small volume).
bool CLayoutAnalysis::IsPriceLike(std::size_t nColumn) const {
    const std::size_t nClose = m_fieldCol[kFieldClose];
    return Near(nColumn, nClose) && (!Stats(nColumn).bWhole || Stats(nClose).bWhole);
}

bool CLayoutAnalysis::IsUsed(std::size_t nColumn) const {
    for (int f = kFieldOpen; f < kFieldCount; ++f) {
        if (m_fieldOn[static_cast<std::size_t>(f)] && m_fieldCol[static_cast<std::size_t>(f)] == nColumn) {
            return true;
        }
    }
    return false;
}

std::string CLayoutAnalysis::ColumnText(std::size_t nColumn) const {
    std::string text = "column " + std::to_string(nColumn + 1);
    if (nColumn < m_names.size() && !m_names[nColumn].empty()) {
        text += " (\"" + m_names[nColumn] + "\")";
    }
    return text;
}

// A named column of several symbols: a security for each, or the dates do not rise.
void CLayoutAnalysis::ChooseSymbolColumn() {
    for (std::size_t c = 0; c < m_names.size() && c < m_nColumns && !m_symbolColumn; ++c) {
        if (FieldOfName(m_names[c]).first != kSymbolName) {
            continue;
        }
        std::vector<std::string> symbols;
        for (std::size_t i : m_rows) {
            const std::vector<std::string>& cells = m_lines[i].cells;
            if (c < cells.size() && std::find(symbols.begin(), symbols.end(), cells[c]) == symbols.end()) {
                symbols.push_back(cells[c]);
            }
        }
        if (symbols.size() > 1 && c < static_cast<std::size_t>(kMaxColumn)) {
            // Each symbol's lines become a security of their own; their order is judged per symbol.
            m_symbolColumn = c;
            Doubt(EDetectChoice::Reading, EConfidence::Likely,
                  ColumnText(c) + " holds " + std::to_string(symbols.size()) +
                      " symbols; it was taken as the symbol column, which makes a security of each.");
        }
    }
}

void CLayoutAnalysis::ChooseOrder() {
    // The steps within each symbol's lines, in file order, by date and time.
    std::map<std::string, std::vector<std::int64_t>> bySymbol;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const std::vector<std::string>& cells = m_lines[m_rows[i]].cells;
        const std::string symbol =
            m_symbolColumn && *m_symbolColumn < cells.size() ? cells[*m_symbolColumn] : std::string();
        const std::int64_t nTime = m_period == EPeriod::Intraday ? m_times[i] : 0;
        bySymbol[symbol].push_back(static_cast<std::int64_t>(m_dates[i]) * 1000000 + nTime);
    }
    std::size_t nRises = 0;
    std::size_t nFalls = 0;
    std::size_t nSame = 0;
    for (const auto& [symbol, keys] : bySymbol) {
        for (std::size_t i = 1; i < keys.size(); ++i) {
            nRises += keys[i] > keys[i - 1] ? 1 : 0;
            nFalls += keys[i] < keys[i - 1] ? 1 : 0;
            nSame += keys[i] == keys[i - 1] ? 1 : 0;
        }
    }
    m_bReverse = nFalls > nRises;
    if (std::min(nRises, nFalls) > 0) {
        Doubt(EDetectChoice::Order, EConfidence::Likely,
              "The dates rise in " + std::to_string(nRises) + " and fall in " + std::to_string(nFalls) +
                  " places; the file was taken to run " + (m_bReverse ? "newest" : "oldest") + " first.");
    }
    if (nSame > 0) {
        Doubt(EDetectChoice::Reading, EConfidence::Unsure,
              std::to_string(nSame) + (nSame == 1 ? " line has" : " lines have") + " the " +
                  (m_period == EPeriod::Intraday ? "date and time" : "date") +
                  " of the line before: the file may hold several bars for one " +
                  (m_period == EPeriod::Intraday ? "time" : "day") + ", and only one can be converted.");
    }
}

// Settings hold columns 1 to 20: a field further right cannot be read.
bool CLayoutAnalysis::CheckColumnRange() {
    const auto nMax = static_cast<std::size_t>(kMaxColumn);
    if (m_nDateColumn >= nMax || m_fieldCol[kFieldClose] >= nMax) {
        const std::size_t nColumn = m_nDateColumn >= nMax ? m_nDateColumn : m_fieldCol[kFieldClose];
        return Fail("The " + std::string(m_nDateColumn >= nMax ? "date" : "close") + " is in column " +
                    std::to_string(nColumn + 1) + "; columns 1 to " + std::to_string(kMaxColumn) + " can be read.");
    }
    if (m_timeColumn && *m_timeColumn >= nMax) {
        return Fail("The time is in column " + std::to_string(*m_timeColumn + 1) + "; columns 1 to " +
                    std::to_string(kMaxColumn) + " can be read.");
    }
    for (int f = kFieldOpen; f < kFieldCount; ++f) {
        const auto nField = static_cast<std::size_t>(f);
        if (m_fieldOn[nField] && m_fieldCol[nField] >= nMax) {
            m_fieldOn[nField] = false;
            Doubt(kFieldChoices[nField], EConfidence::Unsure,
                  "The " + LowerFieldName(f) + " is in column " + std::to_string(m_fieldCol[nField] + 1) +
                      ", past column " + std::to_string(kMaxColumn) + ": it is left out.");
        }
    }
    return true;
}

void CLayoutAnalysis::FillLayout() {
    SInputLayout& layout = m_result.layout;
    layout.cDelimiter = m_cDelimiter;
    layout.decimalMark = m_bDecimalComma ? EDecimalMark::Comma : EDecimalMark::Point;
    layout.dateFormat = m_dateFormat;
    layout.bDateTime = m_bDateTime;
    layout.nTimeCol = m_timeColumn ? static_cast<int>(*m_timeColumn) : kNoColumn;
    layout.nSkipRows = static_cast<int>(m_nSkipRows);
    layout.bReverse = m_bReverse;
    layout.nSymbolCol = m_symbolColumn ? static_cast<int>(*m_symbolColumn) : kNoColumn;
    layout.strCurrency = IsUtf8(m_strCurrency) ? m_strCurrency : Windows1252ToUtf8(m_strCurrency);
    layout.period = m_period;
    layout.nInterval = m_period == EPeriod::Intraday ? m_nInterval : 0;
    layout.fieldCol[kFieldDate] = static_cast<int>(m_nDateColumn);
    for (int f = kFieldOpen; f < kFieldCount; ++f) {
        const auto nField = static_cast<std::size_t>(f);
        layout.fieldCol[nField] = m_fieldOn[nField] ? static_cast<int>(m_fieldCol[nField]) : kNoColumn;
    }
}

// The layout found, tried on the lines read.
void CLayoutAnalysis::Verify(std::string_view sample, const CWording& wording) {
    const SReadResult read = CBarReader(m_result.layout, SReadOptions{}, wording).ReadText(sample);
    m_result.nBadLines = read.nBadLines;
    if (read.Ok()) {
        return;
    }
    std::string strText;
    if (read.nBadLines > 0) {
        strText = std::to_string(read.nBadLines) + " of the " + std::to_string(m_result.nLinesRead) +
                  (read.nBadLines == 1 ? " lines read does not read" : " lines read do not read") +
                  " with this layout";
        if (!read.badLines.empty()) {
            strText += " (line " + std::to_string(read.badLines.front().nLine) + ": " +
                       read.badLines.front().strReason + ")";
        }
        strText += ".";
        for (std::size_t i = 1; i < read.errors.size(); ++i) {
            strText += " " + read.errors[i];
        }
    } else {
        strText = read.Message();
    }
    Doubt(EDetectChoice::Reading, EConfidence::Unsure, std::move(strText));
}

SLayoutDetection CLayoutAnalysis::Run(std::string_view sample, const CWording& wording) {
    m_result.nLinesRead = m_lines.size();
    if (std::all_of(m_lines.begin(), m_lines.end(), [](const SSampleLine& line) { return line.bBlank; })) {
        m_result.failure = m_lines.empty() ? "The file is empty." : "The file holds only blank lines.";
        return std::move(m_result);
    }
    if (!ChooseDelimiter(*this) || !ChooseDateColumn(*this)) {
        return std::move(m_result);
    }
    FindCurrency(*this);
    if (!FindHeader(*this)) {
        return std::move(m_result);
    }
    ChooseTime(*this);
    MeasureColumns(*this);
    if (m_names.empty() || !ChooseFieldsByName(*this)) {
        ChooseFieldsByValue(*this);
    }
    if (!m_fieldOn[kFieldClose]) {
        m_result.failure = "No column holds prices next to the dates in " + ColumnText(m_nDateColumn) + ".";
        return std::move(m_result);
    }
    ChooseSymbolColumn();
    ChooseOrder();
    ChoosePeriod(*this);
    if (!CheckColumnRange()) {
        return std::move(m_result);
    }
    FillLayout();
    Verify(sample, wording);
    return std::move(m_result);
}
