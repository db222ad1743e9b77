#include "platform/PathLookup.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <system_error>

namespace {

class PathLookup : public ::testing::Test {
protected:
    CTempDir m_dir;
};

// Runs a test body from another current directory and always goes back.
class CCurrentDirectory {
public:
    explicit CCurrentDirectory(const std::filesystem::path& dir) : m_previous(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~CCurrentDirectory() {
        std::error_code ec;
        std::filesystem::current_path(m_previous, ec);
    }

private:
    std::filesystem::path m_previous;
};

TEST_F(PathLookup, ExactSpellingWinsOverOtherCases) {
    ASSERT_TRUE(WriteFile(m_dir / "master", "lower"));
    ASSERT_TRUE(WriteFile(m_dir / "MASTER", "upper"));

    EXPECT_EQ(FindEntryNoCase(m_dir.Path(), "master"), m_dir / "master");
    EXPECT_EQ(FindEntryNoCase(m_dir.Path(), "MASTER"), m_dir / "MASTER");
    // No exact match: the same choice every time, whatever the listing order.
    EXPECT_EQ(FindEntryNoCase(m_dir.Path(), "Master"), m_dir / "MASTER");
}

TEST_F(PathLookup, OtherCaseIsFoundAndReused) {
    ASSERT_TRUE(WriteFile(m_dir / "f1.dat", ""));
    EXPECT_EQ(FindEntryNoCase(m_dir.Path(), "F1.DAT"), m_dir / "f1.dat");
    EXPECT_EQ(EntryPathNoCase(m_dir.Path(), "F1.DAT"), m_dir / "f1.dat");
    EXPECT_EQ(FindEntryNoCase(m_dir.Path(), "F2.DAT"), std::nullopt);
    EXPECT_EQ(EntryPathNoCase(m_dir.Path(), "F2.DAT"), m_dir / "F2.DAT");
}

TEST_F(PathLookup, OnlyTheLettersAToZIgnoreCase) {
    ASSERT_TRUE(WriteFile(m_dir / "\xC3\x84KTIE", "")); // Ä in UTF-8
    ASSERT_TRUE(WriteFile(m_dir / "[x]", ""));
    EXPECT_EQ(FindEntryNoCase(m_dir.Path(), "\xC3\xA4KTIE"), std::nullopt); // ä
    EXPECT_EQ(FindEntryNoCase(m_dir.Path(), "\xC3\x84ktie"), m_dir / "\xC3\x84KTIE");
    // '{' and '}' are '[' and ']' plus 0x20, yet no letters.
    EXPECT_EQ(FindEntryNoCase(m_dir.Path(), "{x}"), std::nullopt);
    EXPECT_EQ(FindEntryNoCase(m_dir.Path(), "[X]"), m_dir / "[x]");
}

TEST_F(PathLookup, DanglingLinksAreEntriesToo) {
    std::filesystem::create_symlink(m_dir / "gone", m_dir / "master.bak");
    EXPECT_EQ(FindEntryNoCase(m_dir.Path(), "MASTER.BAK"), m_dir / "master.bak");
}

TEST_F(PathLookup, NamesThatAreNoSingleEntryAreNotFound) {
    std::filesystem::create_directories(m_dir / "a" / "b");
    EXPECT_EQ(FindEntryNoCase(m_dir.Path(), ""), std::nullopt);
    EXPECT_EQ(FindEntryNoCase(m_dir.Path(), "A/B"), std::nullopt);
    EXPECT_EQ(FindEntryNoCase(m_dir / "missing", "x"), std::nullopt);
    EXPECT_EQ(FindEntryNoCase(m_dir / "a", ".."), std::nullopt);
}

TEST_F(PathLookup, ResolveSpellsEveryComponentAsItExists) {
    std::filesystem::create_directories(m_dir / "Data" / "stocks");
    EXPECT_EQ(ResolvePathNoCase(m_dir / "DATA" / "STOCKS"), m_dir / "Data" / "stocks");
    EXPECT_EQ(ResolvePathNoCase(m_dir / "data" / "Stocks" / ""), m_dir / "Data" / "stocks");
    EXPECT_EQ(ResolvePathNoCase(m_dir / "DATA" / "bonds"), std::nullopt);
    EXPECT_EQ(ResolvePathNoCase(""), std::nullopt);
}

TEST_F(PathLookup, ResolveHandlesDotsAfterResolving) {
    std::filesystem::create_directories(m_dir / "Data" / "stocks");
    std::filesystem::create_directories(m_dir / "Other");
    EXPECT_EQ(ResolvePathNoCase(m_dir / "DATA" / "." / "STOCKS" / ".." / ".." / "other"), m_dir / "Other");
    EXPECT_EQ(ResolvePathNoCase("/.."), std::filesystem::path("/"));
    // A file has no parent to climb back to, nor children.
    ASSERT_TRUE(WriteFile(m_dir / "Data" / "MASTER", ""));
    EXPECT_EQ(ResolvePathNoCase(m_dir / "data" / "master" / ".."), std::nullopt);
    EXPECT_EQ(ResolvePathNoCase(m_dir / "data" / "master" / "x"), std::nullopt);
    EXPECT_EQ(ResolvePathNoCase(m_dir / "data" / "missing" / ".."), std::nullopt);
}

TEST_F(PathLookup, ResolveStartsRelativePathsAtTheCurrentDirectory) {
    std::filesystem::create_directories(m_dir / "Out" / "Sub");
    CCurrentDirectory current(m_dir / "Out");
    EXPECT_EQ(ResolvePathNoCase("sub"), m_dir / "Out" / "Sub");
    EXPECT_EQ(ResolvePathNoCase("."), m_dir / "Out");
    EXPECT_EQ(ResolvePathNoCase("../OUT/SUB"), m_dir / "Out" / "Sub");
}

} // namespace
