#include "engine/InputLayout.h"

#include <algorithm>

std::string LowerFieldName(int nField) {
    std::string name = kFieldNames[static_cast<std::size_t>(nField)];
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return name;
}

const char* DelimiterWord(char cDelimiter) {
    for (const SDelimiterName& name : kDelimiterNames) {
        if (name.cDelimiter == cDelimiter) {
            return name.pszWord;
        }
    }
    return kDelimiterNames.front().pszWord;
}

std::optional<char> DelimiterOfWord(std::string_view word) {
    for (const SDelimiterName& name : kDelimiterNames) {
        if (word == name.pszWord) {
            return name.cDelimiter;
        }
    }
    return std::nullopt;
}

namespace {

constexpr std::array<std::pair<EPeriod, char>, 4> kPeriodLetters = {
    {{EPeriod::Daily, 'D'}, {EPeriod::Weekly, 'W'}, {EPeriod::Monthly, 'M'}, {EPeriod::Intraday, 'I'}}};

} // namespace

char PeriodLetter(EPeriod period) {
    for (const auto& [each, cLetter] : kPeriodLetters) {
        if (each == period) {
            return cLetter;
        }
    }
    return 'D';
}

std::optional<EPeriod> PeriodOfLetter(char cLetter) {
    const char cUpper = cLetter >= 'a' && cLetter <= 'z' ? static_cast<char>(cLetter - 'a' + 'A') : cLetter;
    for (const auto& [period, cEach] : kPeriodLetters) {
        if (cEach == cUpper) {
            return period;
        }
    }
    return std::nullopt;
}

std::string LayoutFieldName(int nField) {
    return nField == kSymbolField ? "Symbol" : nField == kTimeField ? "Time" : kFieldNames[static_cast<std::size_t>(nField)];
}

SLayoutCheck CheckLayout(const SInputLayout& layout) {
    SLayoutCheck check;
    const char c = layout.cDelimiter;
    if (c != ',' && c != '\t' && c != ';' && c != ' ') {
        check.problem = ELayoutProblem::Delimiter;
        return check;
    }
    if (layout.DecimalComma() && c == ',') {
        check.problem = ELayoutProblem::CommaWithComma;
        return check;
    }
    if (layout.nSkipRows < 0 || layout.nSkipRows > 200) {
        check.problem = ELayoutProblem::SkipRows;
        return check;
    }
    // Every column read, by the field that reads it: the fields in order, the symbol, the time.
    std::vector<std::pair<int, int>> columns; // {column, field}
    for (int f = 0; f < kFieldCount; ++f) {
        if (f == kFieldDate || f == kFieldClose || layout.FieldOn(f)) {
            columns.emplace_back(layout.fieldCol[static_cast<std::size_t>(f)], f);
        }
    }
    if (layout.nSymbolCol != kNoColumn) {
        columns.emplace_back(layout.nSymbolCol, kSymbolField);
    }
    if (layout.nTimeCol != kNoColumn) {
        columns.emplace_back(layout.nTimeCol, kTimeField);
    }
    for (const auto& [nColumn, nField] : columns) {
        if (nColumn < 0 || nColumn >= SInputLayout::kMaxColumns) {
            check.problem = ELayoutProblem::ColumnRange;
            check.nField = nField;
            check.nColumn = nColumn;
            return check;
        }
    }
    for (std::size_t i = 0; i < columns.size(); ++i) {
        for (std::size_t k = i + 1; k < columns.size(); ++k) {
            if (columns[k].first != columns[i].first) {
                continue;
            }
            check.problem = ELayoutProblem::SharedColumn;
            check.nColumn = columns[i].first;
            for (const auto& [nColumn, nField] : columns) {
                if (nColumn == check.nColumn) {
                    check.fields.push_back(nField);
                }
            }
            return check;
        }
    }
    const bool bIntraday = layout.period == EPeriod::Intraday;
    if (bIntraday != (layout.nInterval != 0) || layout.nInterval < 0 || layout.nInterval > 60) {
        check.problem = ELayoutProblem::Interval;
        return check;
    }
    if (bIntraday && !layout.HasTime()) {
        check.problem = ELayoutProblem::IntradayWithoutTime;
    }
    return check;
}

std::string LayoutProblemText(const SLayoutCheck& check) {
    switch (check.problem) {
    case ELayoutProblem::None:
        return {};
    case ELayoutProblem::Delimiter:
        return "The delimiter must be a comma, a tab, a semicolon or a space.";
    case ELayoutProblem::CommaWithComma:
        return "A decimal comma cannot be read from a comma-separated file: the comma separates the columns.";
    case ELayoutProblem::SkipRows:
        return "The rows to skip must be 0 to 200.";
    case ELayoutProblem::ColumnRange:
        return "The " + LayoutFieldName(check.nField) + " column must be 1 to " +
               std::to_string(SInputLayout::kMaxColumns) + ".";
    case ELayoutProblem::SharedColumn: {
        std::string names;
        for (std::size_t i = 0; i < check.fields.size(); ++i) {
            names += (i == 0 ? "" : i + 1 == check.fields.size() ? " and " : ", ") + LayoutFieldName(check.fields[i]);
        }
        return names + (check.fields.size() == 2 ? " are both" : " are all") + " in column " +
               std::to_string(check.nColumn + 1) + ".";
    }
    case ELayoutProblem::Interval:
        return "Intraday bars need an interval of 1 to 60 minutes; other bars have none.";
    case ELayoutProblem::IntradayWithoutTime:
        return "Intraday bars need a time of day: a time column, or dates with their time.";
    }
    return {};
}
