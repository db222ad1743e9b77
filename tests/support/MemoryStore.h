// A settings store held in memory, for jobs run in tests.
#pragma once

#include "platform/SettingsStore.h"

#include <map>
#include <string>
#include <utility>

class CMemoryStore : public CSettingsStore {
public:
    int GetInt(const std::string& section, const std::string& key, int nDefault) override {
        const auto it = m_ints.find({section, key});
        return it == m_ints.end() ? nDefault : it->second;
    }
    int PutInt(const std::string& section, const std::string& key, int nValue) override {
        m_ints[{section, key}] = nValue;
        return 1;
    }
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& strDefault) override {
        const auto it = m_strings.find({section, key});
        return it == m_strings.end() ? strDefault : it->second;
    }
    int PutString(const std::string& section, const std::string& key, const std::string& value) override {
        m_strings[{section, key}] = value;
        return 1;
    }
    bool Has(const std::string& section, const std::string& key) const {
        return m_strings.count({section, key}) != 0 || m_ints.count({section, key}) != 0;
    }

private:
    std::map<std::pair<std::string, std::string>, int> m_ints;
    std::map<std::pair<std::string, std::string>, std::string> m_strings;
};
