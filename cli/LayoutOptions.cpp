#include "cli/LayoutOptions.h"

#include "cli/CommandLineApp.h"

#include "engine/Wording.h"

namespace {

bool BeginsNoCase(std::string_view name, std::string_view text) {
    if (text.empty() || text.size() > name.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 'a' + 'A') : text[i];
        if (c != name[i]) {
            return false;
        }
    }
    return true;
}

// A date layout given whole, or by a beginning that only one layout has, any case. A
// beginning that several layouts share would be a guess: MM could be MM_DD_YY or MMDDCCYY.
std::string CheckDateFormat(const std::string& text) {
    int nMatches = 0;
    bool bWhole = false;
    for (const char* pszName : kDateFormatNames) {
        if (BeginsNoCase(pszName, text)) {
            ++nMatches;
            bWhole = bWhole || std::string_view(pszName).size() == text.size();
        }
    }
    if (nMatches == 0) {
        return "unknown date format '" + text + "'";
    }
    if (nMatches > 1 && !bWhole) {
        return "the date format '" + text + "' is the beginning of several layouts; give it whole";
    }
    return {};
}

} // namespace

void CLayoutOptions::Declare(CLI::App& app) {
    m_pDelimiter = app.add_option("--delimiter", m_strDelimiter, "comma, tab, semicolon or space (default: comma)")
                       ->check(CLI::Validator(
                           [](const std::string& word) {
                               return DelimiterOfWord(word) ? std::string() : "unknown delimiter '" + word + "'";
                           },
                           "D", "delimiter"))
                       ->option_text("D");
    m_pDecimalComma = app.add_flag("--decimal-comma", m_bDecimalComma, "numbers use a decimal comma (not with the comma delimiter)");
    m_pDecimalPoint = app.add_flag("--decimal-point", m_bDecimalPoint, "numbers use a decimal point (the default)");
    m_pDecimalComma->excludes(m_pDecimalPoint);
    m_pDateFormat = app.add_option("--date-format", m_strDateFormat,
                                   "YY_MM_DD, CCYY_MM_DD, MM_DD_YY, MM_DD_CCYY, DD_MM_YY, DD_MM_CCYY, YYMMDD, "
                                   "CCYYMMDD, MMDDYY, MMDDCCYY, DDMMYY, DDMMCCYY, or the beginning of one, any case "
                                   "(default: MMDDYY)")
                        ->check(CLI::Validator(CheckDateFormat, "F", "date format"))
                        ->option_text("F");
    m_pDateTime = app.add_flag("--date-time", m_bDateTime, "the date column holds a time of day after the date (2023-09-01 09:30)");
    m_pSkipRows = app.add_option("--skip-rows", m_nSkipRows, "skip the first N lines, 0 to 200 (default: 0)")
                      ->check(NumberFrom(0, 200))
                      ->option_text("N");
    for (int f = 0; f < kFieldCount; ++f) {
        const std::string name = kFieldOptionNames[static_cast<std::size_t>(f)];
        const std::string field = LowerFieldName(f);
        m_colOptions[static_cast<std::size_t>(f)] =
            app.add_option("--" + name + "-col", m_fieldCols[static_cast<std::size_t>(f)],
                           "column of the " + field + " (default: " + std::to_string(f + 1) + ")")
                ->check(NumberFrom(1, SInputLayout::kMaxColumns))
                ->option_text("N");
        if (f != kFieldDate && f != kFieldClose) {
            m_noOptions[static_cast<std::size_t>(f)] =
                app.add_flag("--no-" + name, m_noField[static_cast<std::size_t>(f)], "the file has no " + field)->excludes(m_colOptions[static_cast<std::size_t>(f)]);
        }
    }
    m_pTimeCol = app.add_option("--time-col", m_nTimeCol, "column of the time of day of intraday bars")
                     ->check(NumberFrom(1, SInputLayout::kMaxColumns))
                     ->option_text("N");
    m_pSymbolCol = app.add_option("--symbol-col", m_nSymbolCol,
                                  "column of a symbol: each symbol of the file becomes a security")
                       ->check(NumberFrom(1, SInputLayout::kMaxColumns))
                       ->option_text("N");
    m_pCurrency = app.add_option("--currency", m_strCurrency, "a sign or code every price carries ($, EUR), read without it")
                      ->option_text("SIGN");
    m_pPeriod = app.add_option("--period", m_strPeriod, "D daily, W weekly, M monthly bars (default: D)")
                    ->check(CLI::IsMember({"D", "W", "M", "d", "w", "m"}))
                    ->option_text("P");
    m_pInterval = app.add_option("--interval", m_nInterval, "intraday bars of N minutes, 1 to 60")
                      ->check(NumberFrom(1, 60))
                      ->option_text("N")
                      ->excludes(m_pPeriod);
    m_pReverse = app.add_flag("--reverse", m_bReverse, "the file runs newest first; its bars are turned round in memory (the "
                                           "file itself is never changed)");
}

void CLayoutOptions::Apply(SInputLayout& layout) const {
    if (Given(m_pDelimiter)) {
        layout.cDelimiter = DelimiterOfWord(m_strDelimiter).value_or(',');
    }
    if (Given(m_pDecimalComma) || Given(m_pDecimalPoint)) {
        layout.decimalMark = Given(m_pDecimalComma) ? EDecimalMark::Comma : EDecimalMark::Point;
    }
    if (Given(m_pDateFormat)) {
        layout.dateFormat = DateFormatOfName(m_strDateFormat).value_or(layout.dateFormat);
    }
    if (Given(m_pDateTime)) {
        layout.bDateTime = true;
    }
    if (Given(m_pSkipRows)) {
        layout.nSkipRows = m_nSkipRows;
    }
    for (std::size_t f = 0; f < kFieldCount; ++f) {
        if (Given(m_colOptions[f])) {
            layout.fieldCol[f] = m_fieldCols[f] - 1;
        } else if (Given(m_noOptions[f])) {
            layout.fieldCol[f] = kNoColumn;
        }
    }
    if (Given(m_pTimeCol)) {
        layout.nTimeCol = m_nTimeCol - 1;
    }
    if (Given(m_pSymbolCol)) {
        layout.nSymbolCol = m_nSymbolCol - 1;
    }
    if (Given(m_pCurrency)) {
        layout.strCurrency = m_strCurrency;
    }
    if (Given(m_pInterval)) {
        layout.period = EPeriod::Intraday;
        layout.nInterval = m_nInterval;
    } else if (Given(m_pPeriod)) {
        layout.period = PeriodOfLetter(m_strPeriod.front()).value_or(EPeriod::Daily);
        layout.nInterval = 0;
        if (!Given(m_pTimeCol) && !Given(m_pDateTime)) {
            layout.nTimeCol = kNoColumn;
        }
    }
    if (Given(m_pReverse)) {
        layout.bReverse = true;
    }
}

DetectChoices CLayoutOptions::Settled() const {
    DetectChoices settled{};
    const auto settle = [&settled](EDetectChoice choice, bool bGiven) {
        settled[static_cast<std::size_t>(choice)] = settled[static_cast<std::size_t>(choice)] || bGiven;
    };
    settle(EDetectChoice::Delimiter, Given(m_pDelimiter));
    settle(EDetectChoice::DecimalMark, Given(m_pDecimalComma) || Given(m_pDecimalPoint));
    settle(EDetectChoice::DateFormat, Given(m_pDateFormat));
    settle(EDetectChoice::HeaderRows, Given(m_pSkipRows));
    settle(EDetectChoice::Time, Given(m_pTimeCol) || Given(m_pDateTime));
    settle(EDetectChoice::Period, Given(m_pPeriod) || Given(m_pInterval));
    settle(EDetectChoice::Currency, Given(m_pCurrency));
    settle(EDetectChoice::Order, Given(m_pReverse));
    for (std::size_t f = 0; f < kFieldCount; ++f) {
        settle(kFieldChoices[f], Given(m_colOptions[f]) || Given(m_noOptions[f]));
    }
    return settled;
}
