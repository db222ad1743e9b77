// The settings file of older versions ("Pelmar.INI"): "[Section]" header lines and
// "name=value" lines, read as those versions read it. Both implementations of the store copy
// it into a new key once; it is never written.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The most one read of the old versions took, the line break included; a longer line
// arrived in pieces, each read as a line of its own.
inline constexpr std::size_t kLegacyIniPieceChars = 519;

struct SLegacyIniValue {
    std::string strSection;
    std::string strName;  // as written before the first "=": "cx = 640" names "cx "
    std::string strValue; // as written after it: " 640"
};

// The values of the file's text, in file order. Each piece is cut at a NUL and trimmed at
// both ends; it is a section header when it begins with "[" and its first "]" is its last
// character (the name between them trimmed), else a value when it holds "=", else skipped.
// Values before the first header have no section and are dropped.
std::vector<SLegacyIniValue> ParseLegacyIniFile(std::string_view text);

// An integer as the store reads its text ("%d"): leading white space, an optional sign, the
// digits up to the first other character; nullopt when there are none.
std::optional<int> ScanInt(const std::string& text);
