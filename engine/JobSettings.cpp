#include "engine/JobSettings.h"

#include "engine/Converter.h"
#include "platform/TextEncoding.h"

#include <cctype>

namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string TrimRight(std::string text) {
    while (!text.empty() && IsCSpace(text.back())) {
        text.pop_back();
    }
    return text;
}

// Characters as the user counts them: UTF-8 sequences, not bytes.
std::size_t CharacterCount(std::string_view text) {
    std::size_t n = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++n;
        }
    }
    return n;
}

std::optional<SSettingsProblem> CheckColumn(ESettingsItem item, const char* pszField, long long nColumn) {
    if (nColumn >= 1 && nColumn <= kMaxColumn) {
        return std::nullopt;
    }
    return SSettingsProblem{item, std::string("The ") + pszField + " column must be a number from 1 to 20."};
}

std::optional<SSettingsProblem> CheckLength(ESettingsItem item, const char* pszWhat, const std::string& text,
                                            std::size_t nMax) {
    if (CharacterCount(text) <= nMax) {
        return std::nullopt;
    }
    return SSettingsProblem{item, std::string("The ") + pszWhat + " can be at most " + std::to_string(nMax) +
                                      " characters long."};
}

}  // namespace

int DateFormatNumber(std::string_view text) {
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

std::optional<SSettingsProblem> CheckSettingsValues(const SImportSettings& s) {
    const struct {
        ESettingsItem item;
        const char* pszField;
        long long nColumn;
    } columns[] = {
        {ESettingsItem::DateCol, "Date", s.nDateCol},   {ESettingsItem::OpenCol, "Open", s.nOpenCol},
        {ESettingsItem::HiCol, "High", s.nHiCol},       {ESettingsItem::LoCol, "Low", s.nLoCol},
        {ESettingsItem::CloCol, "Close", s.nCloCol},    {ESettingsItem::VolCol, "Volume", s.nVolCol},
        {ESettingsItem::OICol, "Open Int", s.nOICol},
    };
    for (const auto& column : columns) {
        if (auto problem = CheckColumn(column.item, column.pszField, column.nColumn)) {
            return problem;
        }
    }
    if (auto problem = CheckLength(ESettingsItem::Name, "name", s.strName, kMaxNameChars)) {
        return problem;
    }
    if (auto problem = CheckLength(ESettingsItem::PathOut, "output directory", s.strPathOut, kMaxPathOutChars)) {
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
    if (auto problem = CheckLength(ESettingsItem::PathIn, "input file path", s.strPathIn, kMaxPathInChars)) {
        return problem;
    }
    return std::nullopt;
}

std::optional<SSettingsProblem> CheckSettingsForRun(SImportSettings& s) {
    // Date and Close always take part; the others only when switched on, whatever their column.
    bool bTaken[kMaxColumn + 1] = {};
    bool bDuplicate = false;
    const struct {
        int bOn;
        long long nColumn;
    } fields[] = {
        {1, s.nDateCol},       {1, s.nCloCol},       {s.bOpenOn, s.nOpenCol}, {s.bHiOn, s.nHiCol},
        {s.bLoOn, s.nLoCol},   {s.bVolOn, s.nVolCol}, {s.bOIOn, s.nOICol},
    };
    for (const auto& field : fields) {
        if (field.bOn == 0 || field.nColumn < 1 || field.nColumn > kMaxColumn) {
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

    // Blanks around a symbol are never part of it: a stored " IBM" would not be found as IBM.
    s.strSymbol = TrimRight(s.strSymbol);
    s.strSymbol.erase(0, s.strSymbol.find_first_not_of(" \t"));
    if (s.strSymbol.empty()) {
        return SSettingsProblem{ESettingsItem::Symbol, "You did not enter a valid symbol"};
    }
    for (char& c : s.strSymbol) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    // Trailing blanks of the directory are kept: only its emptiness is judged without them.
    if (TrimRight(s.strPathOut).empty()) {
        return SSettingsProblem{ESettingsItem::PathOut, "Please enter path"};
    }
    if (!Utf8ToWindows1252(s.strSymbol)) {
        return SSettingsProblem{ESettingsItem::Symbol,
                                "The symbol can hold only letters, digits and signs of the Windows-1252 "
                                "character set."};
    }
    if (!Utf8ToWindows1252(s.strName)) {
        return SSettingsProblem{ESettingsItem::Name,
                                "The name can hold only letters, digits and signs of the Windows-1252 "
                                "character set."};
    }
    s.nDateFormatNumber = DateFormatNumber(s.strDateFormat);
    return std::nullopt;
}

void FillJob(const SImportSettings& s, CConverter& job) {
    job.m_strInputPath = s.strPathIn;
    job.m_nDateFormat = s.nDateFormatNumber;
    job.m_szOutputDir = s.strPathOut;
    job.m_szSymbol = Utf8ToWindows1252(s.strSymbol).value_or(std::string());
    job.m_szName = Utf8ToWindows1252(s.strName).value_or(std::string());
    job.m_szDelimiter = ",";
    if (s.nDelimiter == 1) {
        job.m_szDelimiter = "\t";
    } else if (s.nDelimiter == 2) {
        job.m_szDelimiter = " ";
    }
    job.m_bReverse = s.bReverseOrder;
    job.m_bSkipRows = s.bSkipOn;
    job.m_nSkipRows = static_cast<int>(s.nRowsToSkip);
    job.m_bUseExistingMaster = s.nExist == 0 ? 1 : 0;

    const struct {
        int bOn;
        long long nColumn;
    } fields[kFieldCount] = {
        {1, s.nDateCol},     {s.bOpenOn, s.nOpenCol}, {s.bHiOn, s.nHiCol},  {s.bLoOn, s.nLoCol},
        {1, s.nCloCol},      {s.bVolOn, s.nVolCol},   {s.bOIOn, s.nOICol},
    };
    for (int i = 0; i < kFieldCount; ++i) {
        job.m_bFieldOn[i] = fields[i].bOn != 0 ? 1 : 0;
        job.m_nFieldCol[i] = static_cast<int>(fields[i].nColumn) - 1;
    }
}
