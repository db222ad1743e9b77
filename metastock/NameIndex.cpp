#include "metastock/NameIndex.h"

#include "metastock/Security.h"

#include <algorithm>

namespace {

std::string Upper(std::string text) {
    for (char& c : text) {
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return text;
}

} // namespace

void CNameIndex::Assign(std::vector<std::string> names) {
    m_names = std::move(names);
    m_byUpper.clear();
    m_numbers.clear();
    m_byUpper.reserve(m_names.size());
    for (const std::string& name : m_names) {
        m_byUpper[Upper(name)].push_back(name);
        if (const auto n = DataFileNumber(name)) {
            m_numbers.insert(*n);
        }
    }
}

std::optional<std::string> CNameIndex::Find(const std::string& name) const {
    const auto it = m_byUpper.find(Upper(name));
    if (it == m_byUpper.end()) {
        return std::nullopt;
    }
    if (std::find(it->second.begin(), it->second.end(), name) != it->second.end()) {
        return name;
    }
    return *std::min_element(it->second.begin(), it->second.end());
}

std::string CNameIndex::Spell(const std::string& name) const {
    return Find(name).value_or(name);
}

void CNameIndex::Add(const std::string& name) {
    std::vector<std::string>& spellings = m_byUpper[Upper(name)];
    if (std::find(spellings.begin(), spellings.end(), name) != spellings.end()) {
        return;
    }
    spellings.push_back(name);
    m_names.push_back(name);
    if (const auto n = DataFileNumber(name)) {
        m_numbers.insert(*n);
    }
}

void CNameIndex::Remove(const std::string& name) {
    const auto it = m_byUpper.find(Upper(name));
    if (it == m_byUpper.end() || std::find(it->second.begin(), it->second.end(), name) == it->second.end()) {
        return;
    }
    std::erase(it->second, name);
    if (it->second.empty()) {
        m_byUpper.erase(it);
    }
    std::erase(m_names, name);
    if (const auto n = DataFileNumber(name)) {
        m_numbers.erase(m_numbers.find(*n));
    }
}
