#include "engine/JobSettings.h"

#include "engine/Converter.h"
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

char DelimiterChar(long long nDelimiter) {
    switch (static_cast<EDelimiter>(nDelimiter)) {
    case EDelimiter::Tab:
        return '\t';
    case EDelimiter::Space:
        return ' ';
    case EDelimiter::Semicolon:
        return ';';
    default:
        return ',';
    }
}

bool IsRunRecordKey(std::string_view key) {
    return key == "PathIn" || key == "PathOut" || key == "Symbol" || key == "Name";
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
    store.PutString(kImportSection, "DateFormat", settings.strDateFormat);
    for (const SIntKey& key : kIntKeys) {
        store.PutInt(kImportSection, key.pszKey, static_cast<int>(settings.*key.pMember));
    }
}

int DateFormatNumber(std::string_view text) {
    if (text.empty()) {
        return 0; // no entry chosen, not the first entry
    }
    for (std::size_t i = 0; i < kDateFormatNames.size(); ++i) {
        const std::string_view entry = kDateFormatNames[i];
        if (text.size() > entry.size()) {
            continue;
        }
        bool bMatch = true;
        for (std::size_t k = 0; k < text.size() && bMatch; ++k) {
            bMatch = std::toupper(static_cast<unsigned char>(text[k])) == static_cast<unsigned char>(entry[k]);
        }
        if (bMatch) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
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
    return std::nullopt;
}

std::optional<SSettingsProblem> CheckSettingsForRun(SImportSettings& s, bool bSymbolFromFiles) {
    // Date and Close always take part; the others only when switched on, whatever their column.
    bool bTaken[kMaxColumn + 1] = {};
    bool bDuplicate = false;
    const struct {
        bool bOn;
        long long nColumn;
    } fields[] = {
        {true, s.nDateCol},        {true, s.nCloCol},      {s.bOpenOn != 0, s.nOpenCol}, {s.bHiOn != 0, s.nHiCol},
        {s.bLoOn != 0, s.nLoCol},  {s.bVolOn != 0, s.nVolCol}, {s.bOIOn != 0, s.nOICol},
        {s.nSymbolCol != 0, s.nSymbolCol},
    };
    for (const auto& field : fields) {
        if (!field.bOn || field.nColumn < 1 || field.nColumn > kMaxColumn) {
            continue;
        }
        if (bTaken[field.nColumn]) {
            bDuplicate = true;
        }
        bTaken[field.nColumn] = true;
    }
    if (bDuplicate) {
        return SSettingsProblem{ESettingsItem::Columns, "Duplicate columns specified\nCorrect or disable"};
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
    s.nDateFormatNumber = DateFormatNumber(s.strDateFormat);
    return std::nullopt;
}

std::optional<SSettingsProblem> CheckSettings(SImportSettings& settings, bool bSymbolFromFiles) {
    if (auto problem = CheckSettingsValues(settings)) {
        return problem;
    }
    return CheckSettingsForRun(settings, bSymbolFromFiles);
}

void FillJob(const SImportSettings& s, CConverter& job) {
    job.m_strInputPath = s.strPathIn;
    job.m_nDateFormat = s.nDateFormatNumber;
    job.m_szOutputDir = s.strPathOut;
    job.m_szSymbol = Utf8ToWindows1252(s.strSymbol).value_or(std::string());
    job.m_szName = Utf8ToWindows1252(s.strName).value_or(std::string());
    job.m_szDelimiter = std::string(1, DelimiterChar(s.nDelimiter));
    job.m_bReverse = s.bReverseOrder != 0 ? 1 : 0;
    job.m_bSkipRows = s.bSkipOn != 0 ? 1 : 0;
    job.m_nSkipRows = static_cast<int>(s.nRowsToSkip);
    job.m_bSkipBadLines = s.bSkipBadLines != 0 ? 1 : 0;
    job.m_bDecimalComma = s.bDecimalComma != 0 ? 1 : 0;
    job.m_nSymbolCol = static_cast<int>(s.nSymbolCol) - 1;
    job.m_bUseExistingMaster = s.nExist == static_cast<long long>(EMasterMode::MakeNew) || s.nExist < 0 ? 0 : 1;
    job.m_bUpdate = s.nExist == static_cast<long long>(EMasterMode::AddNewBars) ? 1 : 0;

    const struct {
        long long bOn;
        long long nColumn;
    } fields[kFieldCount] = {
        {1, s.nDateCol}, {s.bOpenOn, s.nOpenCol}, {s.bHiOn, s.nHiCol}, {s.bLoOn, s.nLoCol},
        {1, s.nCloCol},  {s.bVolOn, s.nVolCol},   {s.bOIOn, s.nOICol},
    };
    for (int i = 0; i < kFieldCount; ++i) {
        job.m_bFieldOn[i] = fields[i].bOn != 0 ? 1 : 0;
        job.m_nFieldCol[i] = static_cast<int>(fields[i].nColumn) - 1;
    }
}
