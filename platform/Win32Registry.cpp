#include "platform/Registry.h"

#include "platform/Win32Text.h"

#include <cstdint>
#include <cwchar>
#include <utility>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

// Both access rights at once: a store that may write its key also reads it back.
HKEY CreateKey(HKEY hParent, const std::string& path) {
    HKEY hKey = nullptr;
    if (hParent == nullptr || ::RegCreateKeyExW(hParent, Utf8ToWide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                KEY_READ | KEY_WRITE, nullptr, &hKey, nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return hKey;
}

HKEY OpenKey(HKEY hParent, const std::string& path) {
    HKEY hKey = nullptr;
    if (hParent == nullptr || ::RegOpenKeyExW(hParent, Utf8ToWide(path).c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) {
        return nullptr;
    }
    return hKey;
}

std::optional<std::string> DataText(DWORD nType, const std::vector<BYTE>& data) {
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    switch (nType) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        text.resize(std::wcslen(text.c_str()));
        return WideToUtf8(text);
    case REG_MULTI_SZ:
        while (!text.empty() && text.back() == L'\0') {
            text.pop_back();
        }
        for (wchar_t& c : text) {
            c = c == L'\0' ? L',' : c;
        }
        return WideToUtf8(text);
    case REG_DWORD:
        if (data.size() != 4) {
            return std::nullopt;
        }
        return std::to_string(static_cast<std::int32_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                                        static_cast<std::uint32_t>(data[3]) << 24));
    default:
        return std::nullopt;
    }
}

} // namespace

CRegistryKey::~CRegistryKey() {
    if (m_hKey != nullptr) {
        ::RegCloseKey(m_hKey);
    }
}

CRegistryKey::CRegistryKey(CRegistryKey&& other) noexcept : m_hKey(std::exchange(other.m_hKey, nullptr)) {}

CRegistryKey& CRegistryKey::operator=(CRegistryKey&& other) noexcept {
    if (this != &other) {
        if (m_hKey != nullptr) {
            ::RegCloseKey(m_hKey);
        }
        m_hKey = std::exchange(other.m_hKey, nullptr);
    }
    return *this;
}

CRegistryKey CRegistryKey::CreateUserKey(const std::string& path) {
    return CRegistryKey(CreateKey(HKEY_CURRENT_USER, path));
}

CRegistryKey CRegistryKey::OpenUserKey(const std::string& path) {
    return CRegistryKey(OpenKey(HKEY_CURRENT_USER, path));
}

CRegistryKey CRegistryKey::CreateSubkey(const std::string& name) const {
    return CRegistryKey(CreateKey(m_hKey, name));
}

CRegistryKey CRegistryKey::OpenSubkey(const std::string& name) const {
    return CRegistryKey(OpenKey(m_hKey, name));
}

std::optional<std::size_t> CRegistryKey::ValueCount() const {
    DWORD nValues = 0;
    if (m_hKey == nullptr || ::RegQueryInfoKeyW(m_hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nValues,
                                                nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return nValues;
}

std::optional<std::vector<std::string>> CRegistryKey::SubkeyNames() const {
    if (m_hKey == nullptr) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256]; // the longest name a key may have, and its NUL
        DWORD nName = 256;
        const LSTATUS nStatus = ::RegEnumKeyExW(m_hKey, i, name, &nName, nullptr, nullptr, nullptr, nullptr);
        if (nStatus == ERROR_NO_MORE_ITEMS) {
            return names;
        }
        if (nStatus != ERROR_SUCCESS) {
            return std::nullopt;
        }
        names.push_back(WideToUtf8(std::wstring_view(name, nName)));
    }
}

std::optional<std::string> CRegistryKey::ReadText(const std::string& name) const {
    if (m_hKey == nullptr) {
        return std::nullopt;
    }
    const std::wstring wideName = Utf8ToWide(name);
    DWORD nType = 0;
    std::vector<BYTE> data;
    LSTATUS nStatus = ERROR_MORE_DATA;
    // The value may grow between asking for its size and reading it.
    for (int nTry = 0; nTry < 4 && nStatus == ERROR_MORE_DATA; ++nTry) {
        DWORD nSize = 0;
        nStatus = ::RegQueryValueExW(m_hKey, wideName.c_str(), nullptr, &nType, nullptr, &nSize);
        if (nStatus != ERROR_SUCCESS) {
            break;
        }
        data.resize(nSize + sizeof(wchar_t)); // room for a NUL the data may lack
        nStatus = ::RegQueryValueExW(m_hKey, wideName.c_str(), nullptr, &nType, data.data(), &nSize);
        data.resize(nSize);
    }
    if (nStatus != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return DataText(nType, data);
}

bool CRegistryKey::WriteText(const std::string& name, const std::string& text) const {
    if (m_hKey == nullptr) {
        return false;
    }
    const std::wstring data = Utf8ToWide(text);
    return ::RegSetValueExW(m_hKey, Utf8ToWide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::optional<std::filesystem::path> WindowsFolder() {
    wchar_t folder[MAX_PATH + 1];
    const UINT nLength = ::GetWindowsDirectoryW(folder, MAX_PATH + 1);
    if (nLength == 0 || nLength > MAX_PATH) {
        return std::nullopt;
    }
    return std::filesystem::path(std::wstring(folder, nLength));
}
