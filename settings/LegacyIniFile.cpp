#include "settings/LegacyIniFile.h"

#include "platform/TextReader.h"

namespace {

// White space as the C library's isspace sees it in the "C" locale.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

SLegacyIniLine ParseLegacyIniLine(std::string_view piece) {
    // The old versions handled each piece as a C string.
    if (const std::size_t nNul = piece.find('\0'); nNul != std::string_view::npos) {
        piece = piece.substr(0, nNul);
    }
    const std::string_view line = Trim(piece);
    SLegacyIniLine result;
    const std::size_t nOpen = line.find('[');
    const std::size_t nClose = line.find(']');
    // The first "[" and the first "]" span the whole line only when the line begins with the
    // one and ends with the other.
    if (nOpen == 0 && nClose != std::string_view::npos && nClose + 1 == line.size()) {
        result.eKind = ELegacyIniLine::Section;
        result.strName = std::string(Trim(line.substr(1, line.size() - 2)));
        return result;
    }
    if (const std::size_t nEquals = line.find('='); nEquals != std::string_view::npos) {
        // Blanks around the "=" stay: "cx = 640" names "cx " with the text " 640".
        result.eKind = ELegacyIniLine::Value;
        result.strName = std::string(line.substr(0, nEquals));
        result.strValue = std::string(line.substr(nEquals + 1));
    }
    return result;
}

void ReadLegacyIniFile(CTextReader& reader, CLegacyIniSink& sink) {
    bool bHaveSection = false;
    std::string strSection;
    std::string piece;
    while (reader.ReadLine(piece, kLegacyIniPieceChars) == EReadStatus::Line) {
        SLegacyIniLine line = ParseLegacyIniLine(piece);
        if (line.eKind == ELegacyIniLine::Section) {
            if (!sink.OnSection(line.strName)) {
                return;
            }
            bHaveSection = true;
            strSection = std::move(line.strName);
        } else if (line.eKind == ELegacyIniLine::Value && bHaveSection) {
            sink.OnValue(strSection, line.strName, line.strValue);
        }
    }
}
