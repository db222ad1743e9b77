// What the conversion asks of the settings store: integer and text values by section and
// key, each read with a default. The window program and the command line hand the job the
// application's one store; tests hand it one of their own.
#pragma once

#include <string>

class CSettingsStore {
public:
    virtual ~CSettingsStore() = default;

    virtual int GetInt(const std::string& section, const std::string& key, int nDefault) = 0;
    virtual int PutInt(const std::string& section, const std::string& key, int nValue) = 0;
    virtual std::string GetString(const std::string& section, const std::string& key,
                                  const std::string& strDefault) = 0;
    virtual int PutString(const std::string& section, const std::string& key, const std::string& value) = 0;
};
