#include "platform/PathLookup.h"

namespace {

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

bool EqualNoCase(std::string_view a, std::string_view b) {
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

std::optional<std::filesystem::path> FindEntryNoCase(CFileSystem& fs, const std::filesystem::path& dir,
                                                     const std::string& name) {
    const bool bSingleName = name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
    if (name.empty() || name == "." || name == ".." || !bSingleName) {
        return std::nullopt;
    }
    const std::filesystem::path exact = dir / Utf8Path(name);
    if (fs.Status(exact).kind != EEntryKind::Missing) {
        return exact;
    }
    const auto found = fs.FindNameNoCase(dir, name);
    if (!found) {
        return std::nullopt;
    }
    return dir / Utf8Path(*found);
}

std::filesystem::path EntryPathNoCase(CFileSystem& fs, const std::filesystem::path& dir, const std::string& name) {
    if (auto found = FindEntryNoCase(fs, dir, name)) {
        return *found;
    }
    return dir / Utf8Path(name);
}

std::optional<std::filesystem::path> ResolvePathNoCase(CFileSystem& fs, const std::filesystem::path& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    std::filesystem::path absolute = path;
    if (path.is_relative()) {
        const auto current = fs.GetCurrentDirectory();
        if (!current) {
            return std::nullopt;
        }
        absolute = *current / path;
    }

    std::filesystem::path resolved = absolute.root_path();
    for (const std::filesystem::path& component : absolute.relative_path()) {
        const std::string strComponent = PathUtf8(component);
        if (strComponent.empty() || strComponent == ".") {
            continue;
        }
        if (strComponent == "..") {
            // As the system does, a name that is no directory has no parent to go to.
            if (fs.Status(resolved).kind != EEntryKind::Directory) {
                return std::nullopt;
            }
            resolved = resolved.parent_path();
            continue;
        }
        auto found = FindEntryNoCase(fs, resolved, strComponent);
        if (!found) {
            return std::nullopt;
        }
        resolved = std::move(*found);
    }
    // One kind of separator, as the system writes it, in every path shown or stored.
    return resolved.make_preferred();
}
