// Names looked up as the original platform looks them up: an exact match first, then one
// that differs only in the case of the letters A to Z.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

// The entry of dir whose name is name, exact match first, then without regard to case.
std::optional<std::filesystem::path> FindEntryNoCase(const std::filesystem::path& dir, const std::string& name);

// dir / name spelled as an existing entry spells it, or dir / name when there is none, so
// that a file the program creates or replaces is the existing one, never a second one.
std::filesystem::path EntryPathNoCase(const std::filesystem::path& dir, const std::string& name);

// Resolves every component of path the same way (relative paths from the current
// directory); nullopt when a component does not exist.
std::optional<std::filesystem::path> ResolvePathNoCase(const std::filesystem::path& path);
