#include "platform/Win32Text.h"

#include <climits>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

std::string WideToUtf8(std::wstring_view text) {
    if (text.empty() || text.size() > INT_MAX) {
        return {};
    }
    const int nWide = static_cast<int>(text.size());
    const int nBytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), nWide, nullptr, 0, nullptr, nullptr);
    if (nBytes <= 0) {
        return {};
    }
    std::string result(static_cast<std::size_t>(nBytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), nWide, result.data(), nBytes, nullptr, nullptr);
    return result;
}

std::wstring Utf8ToWide(std::string_view text) {
    if (text.empty() || text.size() > INT_MAX) {
        return {};
    }
    const int nBytes = static_cast<int>(text.size());
    const int nWide = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), nBytes, nullptr, 0);
    if (nWide <= 0) {
        return {};
    }
    std::wstring result(static_cast<std::size_t>(nWide), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), nBytes, result.data(), nWide);
    return result;
}
