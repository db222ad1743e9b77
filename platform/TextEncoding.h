// Symbol and name are stored in MASTER as Windows-1252 bytes; the rest of the program and
// the command line speak UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// nullopt when text is no valid UTF-8 or holds a character that Windows-1252 cannot hold.
std::optional<std::string> Utf8ToWindows1252(std::string_view text);
std::string Windows1252ToUtf8(std::string_view text);
// Windows-1252 text with its letters upper-cased (é becomes É, š Š, ÿ Ÿ; ß stays), as symbols
// are stored.
std::string UpperWindows1252(std::string text);
// Whether text is valid UTF-8 (price files come in either encoding).
bool IsUtf8(std::string_view text);
