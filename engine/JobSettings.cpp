#include "engine/JobSettings.h"

#include "platform/SettingsStore.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <cctype>

namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsCSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsCSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Characters as the user counts them: UTF-8 sequences, not bytes.
std::size_t CharacterCount(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::optional<SSettingsProblem> CheckColumn(ESettingsItem item, const char* pszField, long long nColumn,
                                            long long nMin = 1) {
    if (nColumn >= nMin && nColumn <= kMaxColumn) {
        return std::nullopt;
    }
    return SSettingsProblem{item, std::string("The ") + pszField + " column must be a number from " +
                                      std::to_string(nMin) + " to 20."};
}

std::optional<SSettingsProblem> CheckLength(ESettingsItem item, const char* pszWhat, const std::string& text,
                                            std::size_t nMax) {
    if (CharacterCount(text) <= nMax) {
        return std::nullopt;
    }
    return SSettingsProblem{item, std::string("The ") + pszWhat + " can be at most " + std::to_string(nMax) +
                                      " characters long."};
}

const STextKey* FindTextKey(std::string_view key) {
    for (const STextKey& textKey : kTextKeys) {
        if (key == textKey.pszKey) {
            return &textKey;
        }
    }
    return nullptr;
}

} // namespace

namespace {

constexpr std::array<const char*, 4> kRunRecordKeys = {"PathIn", "PathOut", "Symbol", "Name"};

} // namespace

bool IsRunRecordKey(std::string_view key) {
    return std::find(kRunRecordKeys.begin(), kRunRecordKeys.end(), key) != kRunRecordKeys.end();
}

void SaveRunRecord(CSettingsStore& store, const std::string& strPathIn, const std::string& strPathOut,
                   const std::string& strSymbol, const std::string& strName) {
    const std::array<const std::string*, 4> values = {&strPathIn, &strPathOut, &strSymbol, &strName};
    for (std::size_t i = 0; i < kRunRecordKeys.size(); ++i) {
        store.PutString(kImportSection, kRunRecordKeys[i], *values[i]);
    }
}

SImportSettings LoadImportSettings(CSettingsStore& store) {
    SImportSettings settings;
    for (const SIntKey& key : kIntKeys) {
        const long long nValue = store.GetInt(kImportSection, key.pszKey, static_cast<int>(key.nDefault));
        settings.*key.pMember = (nValue >= key.nMin && nValue <= key.nMax) ? nValue : key.nDefault;
    }
    for (const STextKey& key : kTextKeys) {
        std::string value = store.GetString(kImportSection, key.pszKey, key.pszDefault);
        settings.*key.pMember = CharacterCount(value) <= key.nMaxChars ? std::move(value) : key.pszDefault;
    }
    return settings;
}

void SaveImportSettings(CSettingsStore& store, const SImportSettings& settings) {
    for (const STextKey& key : kTextKeys) {
        if (!IsRunRecordKey(key.pszKey)) {
            store.PutString(kImportSection, key.pszKey, settings.*key.pMember);
        }
    }
    for (const SIntKey& key : kIntKeys) {
        store.PutInt(kImportSection, key.pszKey, static_cast<int>(settings.*key.pMember));
    }
}

std::optional<std::string> CleanSymbol(std::string_view text, std::string& strProblem) {
    // Blanks around a symbol are never part of it: a stored " IBM" would not be found as IBM.
    const std::string symbol(Trim(text));
    if (symbol.empty()) {
        strProblem = "You did not enter a valid symbol";
        return std::nullopt;
    }
    const auto stored = Utf8ToWindows1252(symbol);
    const bool bControl = std::any_of(symbol.begin(), symbol.end(),
                                      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
    if (!stored || bControl) {
        strProblem = "The symbol " + symbol +
                     " can hold only letters, digits and signs of the Windows-1252 character set.";
        return std::nullopt;
    }
    if (stored->size() > kMaxSymbolChars) {
        strProblem = "The symbol " + symbol + " is " + std::to_string(stored->size()) +
                     " characters long; a symbol may have at most 14 characters.";
        return std::nullopt;
    }
    return Windows1252ToUtf8(UpperWindows1252(*stored));
}

std::string SymbolFromFileName(std::string_view stem) {
    // Character by character (UTF-8): the ASCII ones that symbols use, and letters of the
    // Windows-1252 set (é, ñ, ...); the symbol ends before the first other one.
    std::string symbol;
    std::size_t nChars = 0;
    for (std::size_t i = 0; i < stem.size() && nChars < kMaxSymbolChars;) {
        const auto lead = static_cast<unsigned char>(stem[i]);
        const std::size_t n = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 1;
        const std::string_view piece = stem.substr(i, n);
        bool bAllowed = false;
        if (n == 1) {
            const char c = stem[i];
            bAllowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       std::string_view("._-^&#$!+=").find(c) != std::string_view::npos;
        } else if (const auto stored = Utf8ToWindows1252(piece); stored && stored->size() == 1) {
            const auto u = static_cast<unsigned char>((*stored)[0]);
            bAllowed = (u >= 0xC0 && u != 0xD7 && u != 0xF7) || u == 0x8A || u == 0x8C || u == 0x8E ||
                       u == 0x9A || u == 0x9C || u == 0x9E || u == 0x9F;
        }
        if (!bAllowed) {
            break;
        }
        symbol += piece;
        i += n;
        ++nChars;
    }
    const auto stored = Utf8ToWindows1252(symbol);
    return stored ? Windows1252ToUtf8(UpperWindows1252(*stored)) : std::string();
}

std::optional<SSettingsProblem> CheckSettingsValues(const SImportSettings& s) {
    const struct {
        ESettingsItem item;
        const char* pszField;
        long long nColumn;
        long long nMin;
    } columns[] = {
        {ESettingsItem::DateCol, "Date", s.nDateCol, 1},   {ESettingsItem::OpenCol, "Open", s.nOpenCol, 1},
        {ESettingsItem::HiCol, "High", s.nHiCol, 1},       {ESettingsItem::LoCol, "Low", s.nLoCol, 1},
        {ESettingsItem::CloCol, "Close", s.nCloCol, 1},    {ESettingsItem::VolCol, "Volume", s.nVolCol, 1},
        {ESettingsItem::OICol, "Open Int", s.nOICol, 1},   {ESettingsItem::SymbolCol, "Symbol", s.nSymbolCol, 0},
        {ESettingsItem::TimeCol, "Time", s.nTimeCol, 0},
    };
    for (const auto& column : columns) {
        if (auto problem = CheckColumn(column.item, column.pszField, column.nColumn, column.nMin)) {
            return problem;
        }
    }
    if (auto problem = CheckLength(ESettingsItem::Name, "name", s.strName, kMaxNameChars)) {
        return problem;
    }
    if (auto problem = CheckLength(ESettingsItem::PathOut, "output directory", s.strPathOut, kMaxPathChars)) {
        return problem;
    }
    if (auto problem = CheckLength(ESettingsItem::Symbol, "symbol", s.strSymbol, kMaxSymbolChars)) {
        return problem;
    }
    if (s.nRowsToSkip < 0 || s.nRowsToSkip > kMaxRowsToSkip) {
        return SSettingsProblem{ESettingsItem::RowsToSkip, "The rows to skip must be a number from 0 to 200."};
    }
    if (auto problem = CheckLength(ESettingsItem::DateFormat, "date format", s.strDateFormat, kMaxDateFormatChars)) {
        return problem;
    }
    if (auto problem = CheckLength(ESettingsItem::PathIn, "input file path", s.strPathIn,
                                   FindTextKey("PathIn")->nMaxChars)) {
        return problem;
    }
    if (auto problem = CheckLength(ESettingsItem::Currency, "currency", s.strCurrency, kMaxCurrencyChars)) {
        return problem;
    }
    return std::nullopt;
}

std::optional<SSettingsProblem> CheckSettingsForRun(SImportSettings& s, bool bSymbolFromFiles) {
    // Date and Close always take part; the others only when switched on, whatever their column.
    const SLayoutCheck check = CheckLayout(LayoutOf(s));
    if (check.problem == ELayoutProblem::SharedColumn) {
        return SSettingsProblem{ESettingsItem::Columns, "Duplicate columns specified\nCorrect or disable"};
    }
    if (!DateFormatOfName(s.strDateFormat)) {
        return SSettingsProblem{ESettingsItem::DateFormat,
                                "\"" + s.strDateFormat + "\" is not a date format. Choose one of the Date Format list."};
    }
    if (!bSymbolFromFiles && s.nSymbolCol == 0) {
        std::string strProblem;
        auto symbol = CleanSymbol(s.strSymbol, strProblem);
        if (!symbol) {
            return SSettingsProblem{ESettingsItem::Symbol, strProblem};
        }
        s.strSymbol = std::move(*symbol);
    }
    // Trailing blanks of the directory are kept: only its emptiness is judged without them.
    if (Trim(s.strPathOut).empty()) {
        return SSettingsProblem{ESettingsItem::PathOut, "Please enter path"};
    }
    if (!Utf8ToWindows1252(s.strName)) {
        return SSettingsProblem{ESettingsItem::Name,
                                "The name can hold only letters, digits and signs of the Windows-1252 "
                                "character set."};
    }
    if (check.problem == ELayoutProblem::Interval || check.problem == ELayoutProblem::IntradayWithoutTime) {
        return SSettingsProblem{ESettingsItem::Interval, LayoutProblemText(check)};
    }
    return std::nullopt;
}

std::optional<SSettingsProblem> CheckSettings(SImportSettings& settings, bool bSymbolFromFiles) {
    if (auto problem = CheckSettingsValues(settings)) {
        return problem;
    }
    return CheckSettingsForRun(settings, bSymbolFromFiles);
}

SInputLayout LayoutOf(const SImportSettings& s) {
    SInputLayout layout;
    const long long nDelimiter = s.nDelimiter >= 0 && s.nDelimiter < static_cast<long long>(kDelimiterNames.size())
                                     ? s.nDelimiter
                                     : 0;
    layout.cDelimiter = kDelimiterNames[static_cast<std::size_t>(nDelimiter)].cDelimiter;
    layout.decimalMark = s.bDecimalComma != 0 ? EDecimalMark::Comma : EDecimalMark::Point;
    layout.nSkipRows = s.bSkipOn != 0 ? static_cast<int>(s.nRowsToSkip) : 0;
    layout.dateFormat = DateFormatOfName(s.strDateFormat).value_or(EDateFormat::MMDDYY);
    layout.bDateTime = s.bDateTime != 0;
    layout.nTimeCol = static_cast<int>(s.nTimeCol) - 1;
    const long long fields[kFieldCount][2] = {
        {1, s.nDateCol}, {s.bOpenOn, s.nOpenCol}, {s.bHiOn, s.nHiCol},   {s.bLoOn, s.nLoCol},
        {1, s.nCloCol},  {s.bVolOn, s.nVolCol},   {s.bOIOn, s.nOICol},
    };
    for (std::size_t f = 0; f < kFieldCount; ++f) {
        layout.fieldCol[f] = fields[f][0] != 0 ? static_cast<int>(fields[f][1]) - 1 : kNoColumn;
    }
    layout.nSymbolCol = static_cast<int>(s.nSymbolCol) - 1;
    layout.strCurrency = s.strCurrency;
    layout.bReverse = s.bReverseOrder != 0;
    const EStoredPeriod period = static_cast<EStoredPeriod>(s.nPeriod);
    layout.period = period == EStoredPeriod::Weekly    ? EPeriod::Weekly
                    : period == EStoredPeriod::Monthly  ? EPeriod::Monthly
                    : period == EStoredPeriod::Intraday ? EPeriod::Intraday
                                                        : EPeriod::Daily;
    layout.nInterval = layout.period == EPeriod::Intraday ? static_cast<int>(s.nInterval) : 0;
    return layout;
}

void PutLayout(SImportSettings& s, const SInputLayout& layout) {
    for (std::size_t i = 0; i < kDelimiterNames.size(); ++i) {
        if (kDelimiterNames[i].cDelimiter == layout.cDelimiter) {
            s.nDelimiter = static_cast<long long>(i);
        }
    }
    s.bDecimalComma = layout.DecimalComma() ? 1 : 0;
    s.bSkipOn = layout.nSkipRows > 0 ? 1 : 0;
    s.nRowsToSkip = layout.nSkipRows;
    s.strDateFormat = DateFormatName(layout.dateFormat);
    s.bDateTime = layout.bDateTime ? 1 : 0;
    s.nTimeCol = layout.nTimeCol + 1;
    const struct {
        long long SImportSettings::*pOn;
        long long SImportSettings::*pCol;
    } members[kFieldCount] = {
        {nullptr, &SImportSettings::nDateCol}, {&SImportSettings::bOpenOn, &SImportSettings::nOpenCol},
        {&SImportSettings::bHiOn, &SImportSettings::nHiCol}, {&SImportSettings::bLoOn, &SImportSettings::nLoCol},
        {nullptr, &SImportSettings::nCloCol}, {&SImportSettings::bVolOn, &SImportSettings::nVolCol},
        {&SImportSettings::bOIOn, &SImportSettings::nOICol},
    };
    for (int f = 0; f < kFieldCount; ++f) {
        const auto nField = static_cast<std::size_t>(f);
        if (members[nField].pOn) {
            s.*members[nField].pOn = layout.FieldOn(f) ? 1 : 0;
        }
        // A field the file lacks keeps its column: every column must stay 1 to 20.
        if (layout.FieldOn(f)) {
            s.*members[nField].pCol = layout.fieldCol[nField] + 1;
        }
    }
    s.nSymbolCol = layout.nSymbolCol + 1;
    s.strCurrency = layout.strCurrency;
    s.bReverseOrder = layout.bReverse ? 1 : 0;
    s.nPeriod = static_cast<long long>(layout.period == EPeriod::Weekly    ? EStoredPeriod::Weekly
                                       : layout.period == EPeriod::Monthly  ? EStoredPeriod::Monthly
                                       : layout.period == EPeriod::Intraday ? EStoredPeriod::Intraday
                                                                            : EStoredPeriod::Daily);
    s.nInterval = layout.nInterval;
}

SReadOptions ReadOptionsOf(const SImportSettings& s) {
    return SReadOptions{s.bSkipBadLines != 0, s.bKeepLast != 0};
}

SOutputChoice OutputOf(const SImportSettings& s) {
    SOutputChoice output;
    output.strFolder = s.strPathOut;
    output.mode = s.nExist >= 0 && s.nExist <= static_cast<long long>(EMasterMode::AddOrUpdate)
                      ? static_cast<EMasterMode>(s.nExist)
                      : EMasterMode::MakeNew;
    output.strSymbol = s.nSymbolCol == 0 ? s.strSymbol : std::string();
    output.strName = s.strName;
    return output;
}

SConversion ConversionOf(const SImportSettings& s) {
    return SConversion{s.strPathIn, LayoutOf(s), ReadOptionsOf(s), OutputOf(s)};
}
