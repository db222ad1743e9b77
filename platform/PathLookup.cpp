#include "platform/PathLookup.h"

#include <system_error>

namespace {

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) {
            return false;
        }
    }
    return true;
}

// Any entry counts, a dangling symbolic link included: creating that name would meet it.
bool EntryExists(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::symlink_status(path, ec);
    return !ec && std::filesystem::exists(status);
}

} // namespace

std::optional<std::filesystem::path> FindEntryNoCase(const std::filesystem::path& dir, const std::string& name) {
    const bool bSingleName = name.find_first_of(std::string("/\0", 2)) == std::string::npos;
    if (name.empty() || name == "." || name == ".." || !bSingleName) {
        return std::nullopt;
    }
    const std::filesystem::path exact = dir / name;
    if (EntryExists(exact)) {
        return exact;
    }
    // Several spellings may differ only in case; the smallest wins, so that the choice does
    // not depend on the order in which the directory lists them.
    std::optional<std::string> best;
    std::error_code ec;
    const std::filesystem::path listed = dir.empty() ? std::filesystem::path(".") : dir;
    std::filesystem::directory_iterator it(listed, ec);
    const std::filesystem::directory_iterator end;
    while (!ec && it != end) {
        std::string strEntry = it->path().filename().string();
        if (EqualNoCase(strEntry, name) && (!best || strEntry < *best)) {
            best = std::move(strEntry);
        }
        it.increment(ec);
    }
    if (!best) {
        return std::nullopt;
    }
    return dir / *best;
}

std::filesystem::path EntryPathNoCase(const std::filesystem::path& dir, const std::string& name) {
    if (auto found = FindEntryNoCase(dir, name)) {
        return *found;
    }
    return dir / name;
}

std::optional<std::filesystem::path> ResolvePathNoCase(const std::filesystem::path& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    std::filesystem::path absolute = path;
    if (path.is_relative()) {
        std::error_code ec;
        const std::filesystem::path current = std::filesystem::current_path(ec);
        if (ec) {
            return std::nullopt;
        }
        absolute = current / path;
    }

    std::filesystem::path resolved = absolute.root_path();
    for (const std::filesystem::path& component : absolute.relative_path()) {
        const std::string strComponent = component.string();
        if (strComponent.empty() || strComponent == ".") {
            continue;
        }
        if (strComponent == "..") {
            // As the system does, a name that is no directory has no parent to go to.
            std::error_code ec;
            if (!std::filesystem::is_directory(resolved, ec)) {
                return std::nullopt;
            }
            resolved = resolved.parent_path();
            continue;
        }
        auto found = FindEntryNoCase(resolved, strComponent);
        if (!found) {
            return std::nullopt;
        }
        resolved = std::move(*found);
    }
    return resolved;
}
