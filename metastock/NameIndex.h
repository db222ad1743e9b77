// The entries of one database folder by name, listed once per run and found as the charting
// software's platform finds them: an exact match first, then one that differs only in the
// case of the letters A to Z. A change keeps it up to date with what it wrote and removed.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

class CNameIndex {
public:
    void Assign(std::vector<std::string> names);
    // The spelling on disk: an exact match first, then the smallest that differs only in case.
    std::optional<std::string> Find(const std::string& name) const;
    // Find, or name itself where the folder has no such entry.
    std::string Spell(const std::string& name) const;
    const std::vector<std::string>& Names() const { return m_names; }
    void Add(const std::string& name);
    void Remove(const std::string& name);
    // n of every F<n>.* on disk, which no new security may take.
    const std::multiset<int>& DataFileNumbers() const { return m_numbers; }

private:
    std::vector<std::string> m_names;
    std::unordered_map<std::string, std::vector<std::string>> m_byUpper;
    std::multiset<int> m_numbers;
};
