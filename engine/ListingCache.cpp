#include "engine/ListingCache.h"

namespace {

std::string Upper(std::string text) {
    for (char& c : text) {
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return text;
}

} // namespace

SEntryStatus CListingCache::Status(const std::filesystem::path& path) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_statuses.find(path);
    return it != m_statuses.end() ? it->second : m_statuses.emplace(path, m_inner.Status(path)).first->second;
}

const CListingCache::SListing& CListingCache::Listing(const std::filesystem::path& dir) {
    const auto it = m_listings.find(dir);
    if (it != m_listings.end()) {
        return it->second;
    }
    SListing listing;
    listing.names = m_inner.ListDirectory(dir);
    for (const std::string& entry : listing.names.value_or(std::vector<std::string>{})) {
        auto [at, bNew] = listing.byUpper.emplace(Upper(entry), entry);
        if (!bNew && entry < at->second) {
            at->second = entry;
        }
    }
    return m_listings.emplace(dir, std::move(listing)).first->second;
}

std::optional<std::vector<std::string>> CListingCache::ListDirectory(const std::filesystem::path& dir) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return Listing(dir).names;
}

std::optional<std::string> CListingCache::FindNameNoCase(const std::filesystem::path& dir, const std::string& name) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const SListing& listing = Listing(dir.empty() ? std::filesystem::path(".") : dir);
    const auto found = listing.byUpper.find(Upper(name));
    return found == listing.byUpper.end() ? std::nullopt : std::optional<std::string>(found->second);
}

std::optional<std::filesystem::path> CListingCache::GetCurrentDirectory() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_current) {
        m_current = m_inner.GetCurrentDirectory();
    }
    return *m_current;
}
