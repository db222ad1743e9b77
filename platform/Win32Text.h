// UTF-16 text of the Windows API and the UTF-8 text of the rest of the program. Windows only.
#pragma once

#include <string>
#include <string_view>

// A lone surrogate, which a Windows name may hold, becomes U+FFFD.
std::string WideToUtf8(std::wstring_view text);
// Invalid UTF-8 becomes U+FFFD.
std::wstring Utf8ToWide(std::string_view text);
