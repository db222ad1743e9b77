#include "settings/LegacyIniFile.h"

#include <algorithm>
#include <charconv>

namespace {

// White space as the C library's isspace sees it in the "C" locale.
constexpr std::string_view kBlanks = " \t\n\v\f\r";

std::string_view Trim(std::string_view text) {
    const std::size_t nFirst = text.find_first_not_of(kBlanks);
    if (nFirst == std::string_view::npos) {
        return {};
    }
    return text.substr(nFirst, text.find_last_not_of(kBlanks) - nFirst + 1);
}

} // namespace

std::vector<SLegacyIniValue> ParseLegacyIniFile(std::string_view text) {
    std::vector<SLegacyIniValue> values;
    bool bHaveSection = false;
    std::string strSection;
    std::size_t nPos = 0;
    while (nPos < text.size()) {
        const std::size_t nBreak = text.find('\n', nPos);
        const std::size_t nLineEnd = nBreak == std::string_view::npos ? text.size() : nBreak + 1;
        const std::size_t nPieceEnd = std::min(nLineEnd, nPos + kLegacyIniPieceChars);
        std::string_view piece = text.substr(nPos, nPieceEnd - nPos);
        nPos = nPieceEnd;
        // The old versions handled each piece as a C string.
        piece = Trim(piece.substr(0, piece.find('\0')));
        const std::size_t nClose = piece.find(']');
        if (!piece.empty() && piece.front() == '[' && nClose + 1 == piece.size()) {
            strSection = std::string(Trim(piece.substr(1, piece.size() - 2)));
            bHaveSection = true;
        } else if (const std::size_t nEquals = piece.find('='); nEquals != std::string_view::npos && bHaveSection) {
            values.push_back(
                {strSection, std::string(piece.substr(0, nEquals)), std::string(piece.substr(nEquals + 1))});
        }
    }
    return values;
}

std::optional<int> ScanInt(const std::string& text) {
    std::size_t i = text.find_first_not_of(" \t\n\v\f\r");
    if (i == std::string::npos) {
        return std::nullopt;
    }
    // from_chars takes a minus sign only.
    if (text[i] == '+' && i + 1 < text.size() && text[i + 1] != '-') {
        ++i;
    }
    int nValue = 0;
    const auto [pEnd, error] = std::from_chars(text.data() + i, text.data() + text.size(), nValue);
    if (error != std::errc()) {
        return std::nullopt;
    }
    return nValue;
}
