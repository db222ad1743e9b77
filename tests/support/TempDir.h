// A scratch directory for one test, removed with everything in it when the test ends, and
// whole-file helpers that hold file contents as raw bytes in a std::string.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

class CTempDir {
public:
    // A new, empty directory under the system's temporary directory.
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    // The names of the directory's entries, sorted.
    std::vector<std::string> Entries() const;

private:
    std::filesystem::path m_path;
};

// Creates or replaces path with exactly bytes; a failure is reported to the running test.
bool WriteFile(const std::filesystem::path& path, const std::string& bytes);
// The whole file; empty, and a failure reported to the running test, when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);
// True for any entry of that name, a dangling symbolic link included.
bool Exists(const std::filesystem::path& path);
// The names of dir's entries, sorted; empty when dir cannot be listed.
std::vector<std::string> ListDirectory(const std::filesystem::path& dir);

// Every file of a folder by name, with its bytes: what a run must leave as it was.
using FolderFiles = std::map<std::string, std::string>;
FolderFiles Snapshot(const std::filesystem::path& dir);
// For a failed comparison: the names whose bytes differ between a and b, or that only one has.
std::string Differences(const FolderFiles& a, const FolderFiles& b);
void WriteFolder(const std::filesystem::path& dir, const FolderFiles& files);
