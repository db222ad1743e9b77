// Names looked up as the charting software's own platform looks them up: an exact match
// first, then one that differs only in the case of the letters A to Z.
#pragma once

#include "platform/FileSystem.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Whether a and b are equal but for the case of the letters A to Z.
bool EqualNoCase(std::string_view a, std::string_view b);

// The entry of dir whose name (UTF-8) is name, exact match first, then without regard to
// case; several spellings that differ only in case give the smallest.
std::optional<std::filesystem::path> FindEntryNoCase(CFileSystem& fs, const std::filesystem::path& dir,
                                                     const std::string& name);

// dir / name spelled as an existing entry spells it, or dir / name when there is none, so
// that a file the program creates or replaces is the existing one, never a second one.
std::filesystem::path EntryPathNoCase(CFileSystem& fs, const std::filesystem::path& dir, const std::string& name);

// Makes path absolute (from the current directory) and resolves every component the same
// way; nullopt when a component does not exist.
std::optional<std::filesystem::path> ResolvePathNoCase(CFileSystem& fs, const std::filesystem::path& path);
