#include "tests/support/TempDir.h"

#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <fstream>
#include <iterator>
#include <system_error>


CTempDir::CTempDir() {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) {
        base = std::filesystem::current_path();
    }
    // A new name with random letters, made with create_directory, which says whether it made it.
    std::random_device random;
    for (int nTry = 0; nTry < 100 && m_path.empty(); ++nTry) {
        char name[32];
        std::snprintf(name, sizeof name, "pelmar-test-%08x", static_cast<unsigned>(random()));
        const std::filesystem::path candidate = base / name;
        if (std::filesystem::create_directory(candidate, ec)) {
            // Canonical, so that tests can compare it with paths the program resolves.
            m_path = std::filesystem::canonical(candidate, ec);
            if (ec) {
                m_path = candidate;
            }
        }
    }
    if (m_path.empty()) {
        ADD_FAILURE() << "cannot create a scratch directory under " << base;
    }
}

CTempDir::~CTempDir() {
    if (m_path.empty()) {
        return;
    }
    std::error_code ec;
    // A test may leave read-only files or directories behind; make them removable first
    // (Windows removes no read-only file).
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code entryError;
        if (!it->is_symlink(entryError)) {
            std::filesystem::permissions(it->path(),
                                         it->is_directory(entryError) ? std::filesystem::perms::owner_all
                                                                      : std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add, entryError);
        }
    }
    std::filesystem::remove_all(m_path, ec);
}

std::vector<std::string> CTempDir::Entries() const {
    return ListDirectory(m_path);
}

bool WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        ADD_FAILURE() << "cannot write " << path;
        return false;
    }
    return true;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ADD_FAILURE() << "cannot read " << path;
        return {};
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

std::vector<std::string> ListDirectory(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(dir, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        names.push_back(PathUtf8(it->path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

FolderFiles Snapshot(const std::filesystem::path& dir) {
    FolderFiles files;
    for (const std::string& name : ListDirectory(dir)) {
        files[name] = ReadFile(dir / name);
    }
    return files;
}

void WriteFolder(const std::filesystem::path& dir, const FolderFiles& files) {
    for (const auto& [name, bytes] : files) {
        WriteFile(dir / name, bytes);
    }
}

std::string Differences(const FolderFiles& a, const FolderFiles& b) {
    std::string text;
    for (const auto& [name, bytes] : a) {
        if (!b.count(name)) {
            text += " only first: " + name + ";";
        } else if (b.at(name) != bytes) {
            text += " differs: " + name + " (" + std::to_string(bytes.size()) + " / " +
                    std::to_string(b.at(name).size()) + " bytes);";
        }
    }
    for (const auto& [name, bytes] : b) {
        if (!a.count(name)) {
            text += " only second: " + name + ";";
        }
    }
    return text.empty() ? " no difference" : text;
}
