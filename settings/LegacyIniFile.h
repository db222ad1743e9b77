// The legacy settings file of older versions: "[Section]" header lines and "name=value"
// lines, read in pieces of at most 519 characters as those versions read it. Kept apart from
// the store so that its parsing can be tested on its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class CTextReader;

// The most one read takes, the LF included: the old 520-byte line buffer less its NUL. A
// longer line arrives in pieces, each parsed as a line of its own.
inline constexpr std::size_t kLegacyIniPieceChars = 519;

enum class ELegacyIniLine { Skip, Section, Value };

struct SLegacyIniLine {
    ELegacyIniLine eKind = ELegacyIniLine::Skip;
    std::string strName;  // the section's name, or the value's name as written before the "="
    std::string strValue; // the value's text as written after the first "="
};

// One piece: trimmed at both ends; a header when it begins with "[" and its first "]" is its
// last character; else a value when it holds "="; else skipped. A NUL ends the piece.
SLegacyIniLine ParseLegacyIniLine(std::string_view piece);

// Receives the file's sections and values in file order.
class CLegacyIniSink {
public:
    virtual ~CLegacyIniSink() = default;
    // Makes strSection the current section; false when it cannot be created, which ends
    // the reading.
    virtual bool OnSection(const std::string& strSection) = 0;
    virtual void OnValue(const std::string& strSection, const std::string& strName,
                         const std::string& strValue) = 0;
};

// Feeds sink with every piece the reader gives until the text ends, a read fails or a
// section cannot be created. Values before the first section have nowhere to go and are
// dropped; so are those after a section that could not be created, since reading ends there.
void ReadLegacyIniFile(CTextReader& reader, CLegacyIniSink& sink);
