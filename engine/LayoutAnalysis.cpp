#include "engine/LayoutAnalysis.h"

#include "metastock/Dates.h"

#include <algorithm>

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
