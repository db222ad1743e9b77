// The application's persistent settings: integer and text values by section and key, kept as
// text below one application key. The application object owns the one store. Every call opens
// the store, does its one read or write and closes it again: nothing is cached, so a second
// running copy of the program sees each write at once.
//
// On Linux the application key "Software\Veldrin Software\Pelmar" is the INI file
// "$XDG_CONFIG_HOME/Veldrin Software/Pelmar.conf" (default ~/.config), each section a group;
// on Windows it is the registry key of that path below the root key.
#pragma once

#include "platform/SettingsStore.h"

#include <cstddef>
#include <string>

enum class ERootKey { LocalMachine, CurrentUser };

class CProfile : public CSettingsStore {
public:
    // The largest data a read accepts, the terminating NUL included: texts of up to 259 bytes.
    static constexpr std::size_t kMaxValueBytes = 260;

    CProfile() = default;
    ~CProfile() override;
    CProfile(const CProfile&) = delete;
    CProfile& operator=(const CProfile&) = delete;

    // Records the root and the path (whatever the outcome), then creates or opens the
    // application key at that path. True when the key exists afterwards and may be written;
    // bCreatedNew tells whether this call created it.
    bool CreateKey(const std::string& strBasePath, bool& bCreatedNew,
                   ERootKey rootKey = ERootKey::LocalMachine);

    // Copies the legacy settings file (the application name + ".INI" in the configuration
    // directory, which stands for the Windows directory) into the application key. Meant for
    // the run whose CreateKey created the key; a missing file copies nothing.
    void MigrateIniFile();

    // Reads give the default whenever the value cannot be read; writes return 1 when the value
    // was stored, else 0. Texts are UTF-8.
    int GetInt(const std::string& section, const std::string& key, int nDefault) override;
    int PutInt(const std::string& section, const std::string& key, int nValue) override;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& strDefault) override;
    int PutString(const std::string& section, const std::string& key, const std::string& value) override;

private:
    ERootKey m_eRootKey = ERootKey::LocalMachine;
    std::string m_strBasePath;
};
