// The store on the Windows registry itself, for the command line there, which has no Qt. It
// keeps the key exactly as the window program's QSettings keeps it: one subkey per section,
// REG_SZ text values, a text that begins with "@" stored with a second "@" in front.
#include "settings/Profile.h"

#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"
#include "platform/Win32Text.h"
#include "settings/LegacyIniFile.h"

#include <charconv>
#include <cwchar>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

constexpr wchar_t kApplicationKey[] = L"Software\\Veldrin Software\\Pelmar";
constexpr std::uint64_t kMaxLegacyBytes = 1 << 20;

// Older versions wrote their file in the Windows code page; a text that is valid UTF-8 is
// taken as it stands.
std::string LegacyText(const std::string& text) {
    const bool bUtf8 = text.empty() || ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                                             static_cast<int>(text.size()), nullptr, 0) > 0;
    return bUtf8 ? text : Windows1252ToUtf8(text);
}

// A name that QSettings would read as a path of groups cannot be copied unchanged.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name.find_first_of("/\\") == std::string::npos;
}

// "%d": leading white space, an optional sign, the digits up to the first other character.
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

// Whether the key or any key below it holds a value.
bool HoldsValues(HKEY hKey) {
    DWORD nSubkeys = 0;
    DWORD nValues = 0;
    if (::RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, &nSubkeys, nullptr, nullptr, &nValues, nullptr, nullptr,
                           nullptr, nullptr) != ERROR_SUCCESS) {
        return true;
    }
    if (nValues > 0) {
        return true;
    }
    for (DWORD i = 0; i < nSubkeys; ++i) {
        wchar_t name[256];
        DWORD nName = 256;
        HKEY hSubkey = nullptr;
        if (::RegEnumKeyExW(hKey, i, name, &nName, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            ::RegOpenKeyExW(hKey, name, 0, KEY_READ, &hSubkey) != ERROR_SUCCESS) {
            return true;
        }
        const bool bHolds = HoldsValues(hSubkey);
        ::RegCloseKey(hSubkey);
        if (bHolds) {
            return true;
        }
    }
    return false;
}

// A value's data as QSettings reads it: texts (a list joined with commas) and numbers.
std::optional<std::string> DataText(DWORD nType, const std::vector<BYTE>& data) {
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    switch (nType) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        text.resize(std::wcslen(text.c_str()));
        break;
    case REG_MULTI_SZ: {
        while (!text.empty() && text.back() == L'\0') {
            text.pop_back();
        }
        for (wchar_t& c : text) {
            c = c == L'\0' ? L',' : c;
        }
        break;
    }
    case REG_DWORD:
        if (data.size() != 4) {
            return std::nullopt;
        }
        return std::to_string(static_cast<std::int32_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                                        static_cast<std::uint32_t>(data[3]) << 24));
    default:
        return std::nullopt;
    }
    // QSettings marks its own encodings with "@"; a text of the user's that begins with one
    // is stored with a second in front.
    if (text.starts_with(L"@@")) {
        text.erase(0, 1);
    } else if (text == L"@Invalid()") {
        return std::nullopt;
    }
    return WideToUtf8(text);
}

} // namespace

struct CProfile::SImpl {
    // The application key, open for the life of the store; null when it could not be opened.
    HKEY hKey = nullptr;
    bool bWritable = false;

    ~SImpl() {
        if (hKey != nullptr) {
            ::RegCloseKey(hKey);
        }
    }

    bool Write(const std::string& section, const std::string& name, std::string text) const {
        if (!bWritable) {
            return false;
        }
        if (!text.empty() && text.front() == '@') {
            text.insert(text.begin(), '@');
        }
        HKEY hSection = nullptr;
        if (::RegCreateKeyExW(hKey, Utf8ToWide(section).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                              nullptr, &hSection, nullptr) != ERROR_SUCCESS) {
            return false;
        }
        const std::wstring data = Utf8ToWide(text);
        const LSTATUS nStatus =
            ::RegSetValueExW(hSection, Utf8ToWide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(hSection);
        return nStatus == ERROR_SUCCESS;
    }
};

CProfile::CProfile() : m_pImpl(std::make_unique<SImpl>()) {}

CProfile::~CProfile() = default;

bool CProfile::CreateKey() {
    SImpl& impl = *m_pImpl;
    if (impl.hKey != nullptr) {
        return impl.bWritable;
    }
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kApplicationKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_READ | KEY_WRITE, nullptr, &impl.hKey, nullptr) != ERROR_SUCCESS) {
        // A key that may not be written may still be read.
        impl.hKey = nullptr;
        ::RegOpenKeyExW(HKEY_CURRENT_USER, kApplicationKey, 0, KEY_READ, &impl.hKey);
        return false;
    }
    impl.bWritable = true;
    if (HoldsValues(impl.hKey)) {
        return true;
    }
    wchar_t windowsDir[MAX_PATH + 1];
    const UINT nLength = ::GetWindowsDirectoryW(windowsDir, MAX_PATH + 1);
    if (nLength == 0 || nLength > MAX_PATH) {
        return true;
    }
    const std::filesystem::path legacyFile = std::filesystem::path(std::wstring(windowsDir, nLength)) / L"Pelmar.INI";
    if (const auto bytes = ReadWholeFile(GetSystemFileSystem(), legacyFile, kMaxLegacyBytes)) {
        for (const SLegacyIniValue& value : ParseLegacyIniFile(*bytes)) {
            const std::string section = LegacyText(value.strSection);
            const std::string name = LegacyText(value.strName);
            if (IsPlainName(section) && IsPlainName(name)) {
                impl.Write(section, name, LegacyText(value.strValue));
            }
        }
    }
    return true;
}

int CProfile::GetInt(const std::string& section, const std::string& key, int nDefault) {
    return ScanInt(GetString(section, key, std::string())).value_or(nDefault);
}

int CProfile::PutInt(const std::string& section, const std::string& key, int nValue) {
    return PutString(section, key, std::to_string(nValue));
}

std::string CProfile::GetString(const std::string& section, const std::string& key,
                                const std::string& strDefault) {
    HKEY hSection = nullptr;
    if (m_pImpl->hKey == nullptr ||
        ::RegOpenKeyExW(m_pImpl->hKey, Utf8ToWide(section).c_str(), 0, KEY_QUERY_VALUE, &hSection) != ERROR_SUCCESS) {
        return strDefault;
    }
    const std::wstring name = Utf8ToWide(key);
    DWORD nType = 0;
    std::vector<BYTE> data;
    LSTATUS nStatus = ERROR_MORE_DATA;
    // The value may grow between asking for its size and reading it.
    for (int nTry = 0; nTry < 4 && nStatus == ERROR_MORE_DATA; ++nTry) {
        DWORD nSize = 0;
        nStatus = ::RegQueryValueExW(hSection, name.c_str(), nullptr, &nType, nullptr, &nSize);
        if (nStatus != ERROR_SUCCESS) {
            break;
        }
        data.resize(nSize + sizeof(wchar_t)); // room for a NUL the data may lack
        nStatus = ::RegQueryValueExW(hSection, name.c_str(), nullptr, &nType, data.data(), &nSize);
        data.resize(nSize);
    }
    ::RegCloseKey(hSection);
    if (nStatus != ERROR_SUCCESS) {
        return strDefault;
    }
    return DataText(nType, data).value_or(strDefault);
}

int CProfile::PutString(const std::string& section, const std::string& key, const std::string& value) {
    return m_pImpl->Write(section, key, value) ? 1 : 0;
}
