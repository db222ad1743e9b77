// What the settings store of the Windows command line needs of the system: keys of the
// registry below HKEY_CURRENT_USER, named and read as UTF-8 text, and the Windows folder where
// older versions kept their settings file. Windows only.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct HKEY__;

// One open key; closed with the object. A key that could not be opened is an empty object:
// every read of it finds nothing and every write fails.
class CRegistryKey {
public:
    CRegistryKey() = default;
    ~CRegistryKey();
    CRegistryKey(CRegistryKey&& other) noexcept;
    CRegistryKey& operator=(CRegistryKey&& other) noexcept;
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // The key at path below HKEY_CURRENT_USER (names joined by backslashes): created when
    // missing and opened to read and write, or only opened, to read.
    static CRegistryKey CreateUserKey(const std::string& path);
    static CRegistryKey OpenUserKey(const std::string& path);

    bool IsOpen() const { return m_hKey != nullptr; }

    // A key below this one, in the same two ways.
    CRegistryKey CreateSubkey(const std::string& name) const;
    CRegistryKey OpenSubkey(const std::string& name) const;

    // nullopt when the key cannot be listed.
    std::optional<std::size_t> ValueCount() const;
    std::optional<std::vector<std::string>> SubkeyNames() const;

    // A value's data as text: REG_SZ and REG_EXPAND_SZ up to their first NUL (unexpanded),
    // REG_MULTI_SZ with a comma between its texts, REG_DWORD as a signed decimal number.
    // nullopt when the value is missing, unreadable or of another type.
    std::optional<std::string> ReadText(const std::string& name) const;
    // Stores text as a REG_SZ value.
    bool WriteText(const std::string& name, const std::string& text) const;

private:
    explicit CRegistryKey(HKEY__* hKey) : m_hKey(hKey) {}

    HKEY__* m_hKey = nullptr;
};

// nullopt when the system does not tell.
std::optional<std::filesystem::path> WindowsFolder();
