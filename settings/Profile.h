// The application's persistent settings: integer and text values by section ("Import",
// "Screen", ...) and key, kept as text below the application's key "Veldrin Software\Pelmar".
// The application object (and the command line) owns the one store; the store is opened once
// and stays open until it is destroyed, which writes what changed.
//
// Where it lives: the window program and the command line on Linux keep it with QSettings
// ($XDG_CONFIG_HOME/Veldrin Software/Pelmar.conf; on Windows the registry key
// HKEY_CURRENT_USER\Software\Veldrin Software\Pelmar, subkeys "Import" and "Screen", text
// values). The command line on Windows keeps the same key through the registry itself,
// without Qt. Both implement this header, so it names no type of either.
//
// Use: construct, call CreateKey() once before the first read, then the four operations.
#pragma once

#include "platform/SettingsStore.h"

#include <memory>
#include <string>

// The organisation the settings are kept under, with the application "Pelmar".
inline constexpr char kOrganisationName[] = PELMAR_ORGANISATION;

class CProfile : public CSettingsStore {
public:
    CProfile();
    ~CProfile() override;
    CProfile(const CProfile&) = delete;
    CProfile& operator=(const CProfile&) = delete;

    // Start-up, once: makes sure the application's key exists, and when it is new (holds no
    // value yet) copies the legacy settings file "Pelmar.INI" of older versions into it (in
    // the Windows directory; in the configuration directory elsewhere). False when the key
    // cannot be written: reads then give their defaults and writes are lost.
    bool CreateKey();

    // Reads give the default whenever the value is missing; an integer is read as "%d" reads
    // a text (white space, sign, digits, the rest ignored), the default when there are no
    // digits or the number does not fit. Writes return 1 when the value was taken, else 0.
    // Integers are stored as decimal text. Texts are UTF-8.
    int GetInt(const std::string& section, const std::string& key, int nDefault) override;
    int PutInt(const std::string& section, const std::string& key, int nValue) override;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& strDefault) override;
    int PutString(const std::string& section, const std::string& key, const std::string& value) override;

private:
    struct SImpl;
    std::unique_ptr<SImpl> m_pImpl;
};
