#include "settings/Profile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QtCore/QString>
#include <QtCore/QtGlobal>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string kBasePath = "Software\\Veldrin Software\\Pelmar";

std::vector<std::string> g_qtMessages;

void RecordQtMessage(QtMsgType, const QMessageLogContext&, const QString& message) {
    g_qtMessages.push_back(message.toStdString());
}

// Every test gets its own configuration directory, so none touches the user's settings,
// and fails when QtCore had anything to say.
class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* pOld = std::getenv("XDG_CONFIG_HOME")) {
            m_oldConfigHome = pOld;
        }
        ::setenv("XDG_CONFIG_HOME", m_dir.Path().c_str(), 1);
        g_qtMessages.clear();
        m_previousHandler = qInstallMessageHandler(RecordQtMessage);
    }

    void TearDown() override {
        qInstallMessageHandler(m_previousHandler);
        EXPECT_TRUE(g_qtMessages.empty()) << "QtCore said: " << g_qtMessages.front();
        if (m_oldConfigHome) {
            ::setenv("XDG_CONFIG_HOME", m_oldConfigHome->c_str(), 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
    }

    std::filesystem::path StoreFile() const { return m_dir / "Veldrin Software" / "Pelmar.conf"; }
    std::filesystem::path LegacyFile() const { return m_dir / "Pelmar.INI"; }

    // The application's start-up: open or create the key, and migrate on the run that created it.
    bool StartUp(CProfile& profile) {
        bool bCreatedNew = false;
        const bool bOpened = profile.CreateKey(kBasePath, bCreatedNew);
        EXPECT_TRUE(bOpened);
        if (bOpened && bCreatedNew) {
            profile.MigrateIniFile();
        }
        return bCreatedNew;
    }

    // A store started with the given legacy file.
    void StartWithLegacy(CProfile& profile, const std::string& legacy) {
        ASSERT_TRUE(WriteFile(LegacyFile(), legacy));
        EXPECT_TRUE(StartUp(profile));
    }

    CTempDir m_dir;

private:
    std::optional<std::string> m_oldConfigHome;
    QtMessageHandler m_previousHandler = nullptr;
};

// --- First run --------------------------------------------------------------------------

struct SDefault {
    const char* pszSection;
    const char* pszKey;
    bool bText;
    int nDefault;
    const char* pszDefault;
};

TEST_F(ProfileTest, FirstRunCreatesTheKeyAndEveryReadGivesItsDefault) {
    CProfile profile;
    bool bCreatedNew = false;
    ASSERT_TRUE(profile.CreateKey(kBasePath, bCreatedNew));
    EXPECT_TRUE(bCreatedNew);
    EXPECT_TRUE(Exists(StoreFile()));

    const SDefault defaults[] = {
        {"Import", "PathIn", true, 0, "(unread)"}, {"Import", "PathOut", true, 0, ""},
        {"Import", "Symbol", true, 0, ""},         {"Import", "Name", true, 0, ""},
        {"Import", "DateFormat", true, 0, "MMDDYY"},
        {"Import", "Exist", false, 0, nullptr},     {"Import", "Delimiter", false, 0, nullptr},
        {"Import", "Reverse", false, 0, nullptr},   {"Import", "SkipOn", false, 0, nullptr},
        {"Import", "SkipRows", false, 0, nullptr},  {"Import", "DateCol", false, 1, nullptr},
        {"Import", "OpenOn", false, 1, nullptr},    {"Import", "OpenCol", false, 2, nullptr},
        {"Import", "HiOn", false, 1, nullptr},      {"Import", "HiCol", false, 3, nullptr},
        {"Import", "LoOn", false, 1, nullptr},      {"Import", "LoCol", false, 4, nullptr},
        {"Import", "CloCol", false, 5, nullptr},    {"Import", "VolOn", false, 1, nullptr},
        {"Import", "VolCol", false, 6, nullptr},    {"Import", "OIOn", false, 1, nullptr},
        {"Import", "OICol", false, 7, nullptr},     {"Screen", "x", false, 0, nullptr},
        {"Screen", "y", false, 0, nullptr},         {"Screen", "cx", false, 0, nullptr},
        {"Screen", "cy", false, 0, nullptr},
    };
    ASSERT_EQ(std::size(defaults), 26u);
    for (const SDefault& d : defaults) {
        SCOPED_TRACE(std::string(d.pszSection) + "/" + d.pszKey);
        if (d.bText) {
            EXPECT_EQ(profile.GetString(d.pszSection, d.pszKey, d.pszDefault), d.pszDefault);
        } else {
            EXPECT_EQ(profile.GetInt(d.pszSection, d.pszKey, d.nDefault), d.nDefault);
            // A store that made up 0 for a missing value would pass the zero defaults above.
            EXPECT_EQ(profile.GetInt(d.pszSection, d.pszKey, -77), -77);
        }
    }
    EXPECT_EQ(ReadFile(StoreFile()), "");
}

TEST_F(ProfileTest, SecondRunOpensTheExistingKey) {
    CProfile first;
    EXPECT_TRUE(StartUp(first));
    CProfile second;
    EXPECT_FALSE(StartUp(second));
}

TEST_F(ProfileTest, ReadsAndWritesBeforeCreateKeyFailQuietly) {
    CProfile profile;
    EXPECT_EQ(profile.PutInt("Import", "DateCol", 3), 0);
    EXPECT_EQ(profile.GetInt("Import", "DateCol", 1), 1);
    EXPECT_EQ(profile.GetString("Import", "Name", "dflt"), "dflt");
    profile.MigrateIniFile();
    EXPECT_TRUE(m_dir.Entries().empty());
}

TEST_F(ProfileTest, CreateKeyFailsWhereTheStoreDirectoryCannotBeMade) {
    ASSERT_TRUE(WriteFile(m_dir / "Veldrin Software", "not a directory"));
    ASSERT_TRUE(WriteFile(LegacyFile(), "[Import]\nDateCol=3\n"));
    CProfile profile;
    bool bCreatedNew = true;
    EXPECT_FALSE(profile.CreateKey(kBasePath, bCreatedNew));
    EXPECT_FALSE(bCreatedNew);
    profile.MigrateIniFile();
    EXPECT_EQ(profile.GetInt("Import", "DateCol", 1), 1);
    EXPECT_EQ(profile.PutInt("Import", "DateCol", 4), 0);
    EXPECT_EQ(ReadFile(m_dir / "Veldrin Software"), "not a directory");
}

TEST_F(ProfileTest, CreateKeyRefusesPathsThatNameNoKey) {
    for (const std::string& path : std::vector<std::string>{"", "Software\\..\\Pelmar", "Software\\\\Pelmar", "Software\\a/b",
                                   "Software\\Pelmar\\", std::string("Soft\0ware", 9)}) {
        SCOPED_TRACE(path);
        CProfile profile;
        bool bCreatedNew = true;
        EXPECT_FALSE(profile.CreateKey(path, bCreatedNew));
        EXPECT_FALSE(bCreatedNew);
        EXPECT_EQ(profile.PutInt("Import", "DateCol", 4), 0);
    }
    EXPECT_TRUE(m_dir.Entries().empty());
}

TEST_F(ProfileTest, CreateKeyFailsOnAReadOnlyStore) {
    CProfile first;
    EXPECT_TRUE(StartUp(first));
    ASSERT_EQ(first.PutInt("Import", "DateCol", 3), 1);
    std::filesystem::permissions(StoreFile(), std::filesystem::perms::owner_read);
    CProfile second;
    bool bCreatedNew = true;
    EXPECT_FALSE(second.CreateKey(kBasePath, bCreatedNew));
    EXPECT_FALSE(bCreatedNew);
    // Reads still work; writes leave the file alone.
    EXPECT_EQ(second.GetInt("Import", "DateCol", 1), 3);
    EXPECT_EQ(second.PutInt("Import", "DateCol", 4), 0);
    EXPECT_EQ(second.GetInt("Import", "DateCol", 1), 3);
}

TEST_F(ProfileTest, StoreFollowsXdgConfigHomeAtCallTime) {
    CTempDir other;
    CProfile profile;
    EXPECT_TRUE(StartUp(profile));
    ASSERT_EQ(profile.PutInt("Import", "DateCol", 3), 1);
    ::setenv("XDG_CONFIG_HOME", other.Path().c_str(), 1);
    EXPECT_EQ(profile.GetInt("Import", "DateCol", 1), 1);
    ASSERT_EQ(profile.PutInt("Import", "DateCol", 5), 1);
    EXPECT_TRUE(Exists(other / "Veldrin Software" / "Pelmar.conf"));
}

TEST_F(ProfileTest, WithoutXdgConfigHomeTheStoreIsInHomeDotConfig) {
    const char* pHome = std::getenv("HOME");
    const std::optional<std::string> oldHome = pHome ? std::optional<std::string>(pHome) : std::nullopt;
    ::setenv("HOME", m_dir.Path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);
    CProfile profile;
    bool bCreatedNew = false;
    EXPECT_TRUE(profile.CreateKey(kBasePath, bCreatedNew));
    EXPECT_EQ(profile.PutInt("Screen", "cx", 640), 1);
    EXPECT_TRUE(Exists(m_dir / ".config" / "Veldrin Software" / "Pelmar.conf"));
    if (oldHome) {
        ::setenv("HOME", oldHome->c_str(), 1);
    } else {
        ::unsetenv("HOME");
    }
}

// --- Reads and writes -----------------------------------------------------------------------

TEST_F(ProfileTest, IntegersAreStoredAsDecimalText) {
    CProfile profile;
    StartUp(profile);
    EXPECT_EQ(profile.PutInt("Import", "Exist", -1), 1);
    EXPECT_EQ(profile.PutInt("Import", "DateCol", 12), 1);
    EXPECT_EQ(profile.GetInt("Import", "Exist", 0), -1);
    EXPECT_EQ(profile.GetString("Import", "Exist", ""), "-1");
    EXPECT_EQ(profile.GetString("Import", "DateCol", ""), "12");
    EXPECT_EQ(ReadFile(StoreFile()), "[Import]\nDateCol=12\nExist=-1\n");

    for (const int n : {0, INT_MAX, INT_MIN}) {
        EXPECT_EQ(profile.PutInt("Screen", "x", n), 1);
        EXPECT_EQ(profile.GetInt("Screen", "x", 99), n);
    }
}

struct SScanCase {
    const char* pszText;
    int nExpected;
};

class ProfileScan : public ProfileTest, public ::testing::WithParamInterface<SScanCase> {};

TEST_P(ProfileScan, ReadsTheLeadingDecimalNumber) {
    CProfile profile;
    StartUp(profile);
    ASSERT_EQ(profile.PutString("Import", "SkipRows", GetParam().pszText), 1);
    EXPECT_EQ(profile.GetInt("Import", "SkipRows", -77), GetParam().nExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ProfileScan,
    ::testing::Values(SScanCase{" 7 word", 7}, SScanCase{"12abc", 12}, SScanCase{"+5", 5},
                      SScanCase{"-0", 0}, SScanCase{"007", 7}, SScanCase{"0x10", 0},
                      SScanCase{"\t\n\v\f\r 42", 42}, SScanCase{"2147483647", INT_MAX},
                      SScanCase{"-2147483648", INT_MIN},
                      // No digits, or a number no int holds: the default.
                      SScanCase{"", -77}, SScanCase{"word", -77}, SScanCase{"-", -77},
                      SScanCase{"- 7", -77}, SScanCase{"+-7", -77}, SScanCase{"2147483648", -77},
                      SScanCase{"-2147483649", -77}, SScanCase{"99999999999999999999999", -77}));

TEST_F(ProfileTest, ExistingEmptyValueReadsAsEmpty) {
    CProfile profile;
    StartUp(profile);
    ASSERT_EQ(profile.PutString("Import", "Name", ""), 1);
    EXPECT_EQ(profile.GetString("Import", "Name", "dflt"), "");
    EXPECT_EQ(profile.GetInt("Import", "Name", 5), 5);
}

TEST_F(ProfileTest, ReadAcceptsAtMost259Bytes) {
    CProfile profile;
    StartUp(profile);
    const std::string longest(259, 'p');
    ASSERT_EQ(profile.PutString("Import", "PathOut", longest), 1);
    EXPECT_EQ(profile.GetString("Import", "PathOut", "dflt"), longest);

    // Stored in full, but too long to read back.
    ASSERT_EQ(profile.PutString("Import", "PathOut", longest + "p"), 1);
    EXPECT_EQ(profile.GetString("Import", "PathOut", "dflt"), "dflt");
    EXPECT_NE(ReadFile(StoreFile()).find(longest + "p"), std::string::npos);

    // The limit is in bytes: 130 two-byte characters are 260 bytes.
    std::string accents;
    for (int i = 0; i < 130; ++i) {
        accents += "\xC3\xA9";
    }
    ASSERT_EQ(profile.PutString("Import", "Name", accents), 1);
    EXPECT_EQ(profile.GetString("Import", "Name", "dflt"), "dflt");
    ASSERT_EQ(profile.PutString("Import", "Name", accents.substr(2)), 1);
    EXPECT_EQ(profile.GetString("Import", "Name", "dflt"), accents.substr(2));
}

TEST_F(ProfileTest, TextsComeBackUnchanged) {
    CProfile profile;
    StartUp(profile);
    for (const std::string text : {" leading and trailing ", "a, b", "1,2", "@x", "\"quoted\"", "x;y#z",
                                   "line\nbreak", "C:\\Data\\out", "Caf\xC3\xA9", "\xEF\xBB\xBF" "bom",
                                   "[Import]", "k=v"}) {
        SCOPED_TRACE(text);
        ASSERT_EQ(profile.PutString("Import", "Name", text), 1);
        CProfile reader;
        StartUp(reader);
        EXPECT_EQ(reader.GetString("Import", "Name", "dflt"), text);
    }
}

TEST_F(ProfileTest, TextEndsAtANul) {
    CProfile profile;
    StartUp(profile);
    ASSERT_EQ(profile.PutString("Import", "Symbol", std::string("AB\0CD", 5)), 1);
    EXPECT_EQ(profile.GetString("Import", "Symbol", "dflt"), "AB");
}

TEST_F(ProfileTest, TextThatIsNoUtf8IsRefusedAndTheOldValueKept) {
    CProfile profile;
    StartUp(profile);
    ASSERT_EQ(profile.PutString("Import", "Name", "Old"), 1);
    EXPECT_EQ(profile.PutString("Import", "Name", "Caf\xE9"), 0);
    EXPECT_EQ(profile.PutString("Import", "N\xFF", "x"), 0);
    EXPECT_EQ(profile.GetString("Import", "Name", "dflt"), "Old");
}

// Names that INI files and QSettings treat specially must neither meet nor fold together.
TEST_F(ProfileTest, OddNamesStayDistinct) {
    CProfile profile;
    StartUp(profile);
    const std::vector<std::string> names = {"cx", "cx ", " cx", "a/b", "a\\b", "a%2Fb", "a%5Cb", "%", "%25",
                                            "", "k=v", "x;y", "[", "General", "Caf\xC3\xA9", "a//b", "/a"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_EQ(profile.PutInt("Screen", names[i], static_cast<int>(i) + 100), 1) << names[i];
    }
    CProfile reader;
    StartUp(reader);
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(reader.GetInt("Screen", names[i], -1), static_cast<int>(i) + 100) << names[i];
    }
    EXPECT_EQ(reader.GetInt("Import", "cx", -1), -1);
    EXPECT_EQ(reader.GetInt("Screen/a", "b", -1), -1);
    EXPECT_EQ(reader.GetInt("Screen", "a", -1), -1);
}

TEST_F(ProfileTest, SectionNamesStayDistinct) {
    CProfile profile;
    StartUp(profile);
    const std::vector<std::string> sections = {"Import", "Import/x", "Import\\x", "General", "Im port", "%"};
    for (std::size_t i = 0; i < sections.size(); ++i) {
        ASSERT_EQ(profile.PutInt(sections[i], "x", static_cast<int>(i)), 1) << sections[i];
    }
    CProfile reader;
    StartUp(reader);
    for (std::size_t i = 0; i < sections.size(); ++i) {
        EXPECT_EQ(reader.GetInt(sections[i], "x", -1), static_cast<int>(i)) << sections[i];
    }
    EXPECT_EQ(reader.GetInt("Import", "x/x", -1), -1);
}

TEST_F(ProfileTest, SectionsAndNamesAreFoundWithoutRegardToCase) {
    CProfile profile;
    StartUp(profile);
    ASSERT_EQ(profile.PutInt("import", "datecol", 3), 1);
    EXPECT_EQ(profile.GetInt("Import", "DateCol", 1), 3);
    ASSERT_EQ(profile.PutInt("IMPORT", "DateCol", 4), 1);
    EXPECT_EQ(profile.GetInt("import", "datecol", 1), 4);
    // The one value was replaced, not joined by a second.
    EXPECT_EQ(ReadFile(StoreFile()), "[import]\ndatecol=4\n");
}

TEST_F(ProfileTest, EmptyOrOverlongSectionNameIsNoSection) {
    CProfile profile;
    StartUp(profile);
    EXPECT_EQ(profile.PutInt("", "x", 1), 0);
    EXPECT_EQ(profile.GetInt("", "x", 9), 9);
    EXPECT_EQ(profile.PutInt(std::string(256, 's'), "x", 1), 0);
    EXPECT_EQ(profile.PutInt(std::string(255, 's'), "x", 1), 1);
    EXPECT_EQ(profile.GetInt(std::string(255, 's'), "x", 9), 1);
}

TEST_F(ProfileTest, WritesToAnUnwritableStoreReturnZeroAndReadsGiveDefaults) {
    CProfile profile;
    StartUp(profile);
    ASSERT_TRUE(std::filesystem::remove(StoreFile()));
    std::filesystem::create_directory(StoreFile());
    EXPECT_EQ(profile.PutInt("Import", "DateCol", 3), 0);
    EXPECT_EQ(profile.PutString("Import", "Name", "N"), 0);
    EXPECT_EQ(profile.GetInt("Import", "DateCol", 1), 1);
    EXPECT_EQ(profile.GetString("Import", "Name", "dflt"), "dflt");
}

TEST_F(ProfileTest, ReadOnlyStoreIsLeftAlone) {
    CProfile profile;
    StartUp(profile);
    ASSERT_EQ(profile.PutInt("Import", "DateCol", 3), 1);
    const std::string before = ReadFile(StoreFile());
    std::filesystem::permissions(StoreFile(), std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    EXPECT_EQ(profile.PutInt("Import", "DateCol", 4), 0);
    EXPECT_EQ(profile.GetInt("Import", "DateCol", 1), 3);
    EXPECT_EQ(ReadFile(StoreFile()), before);
}

// A store edited by hand into a shape QSettings cannot fully read still keeps its values.
TEST_F(ProfileTest, StoreWithFormatErrorsKeepsItsValues) {
    CProfile profile;
    StartUp(profile);
    ASSERT_TRUE(WriteFile(StoreFile(), "[Import]\nDateCol=3\n[Notes\n"));
    EXPECT_EQ(profile.GetInt("Import", "DateCol", 1), 3);
    EXPECT_EQ(profile.PutInt("Import", "OpenCol", 2), 1);
    CProfile reader;
    StartUp(reader);
    EXPECT_EQ(reader.GetInt("Import", "DateCol", 1), 3);
    EXPECT_EQ(reader.GetInt("Import", "OpenCol", 9), 2);
}

// --- Two copies of the program ------------------------------------------------------------------

TEST_F(ProfileTest, TwoStoresSeeEachOthersWritesAtOnce) {
    CProfile a;
    CProfile b;
    StartUp(a);
    StartUp(b);
    EXPECT_EQ(b.GetInt("Import", "DateCol", 1), 1);
    ASSERT_EQ(a.PutInt("Import", "DateCol", 3), 1);
    EXPECT_EQ(b.GetInt("Import", "DateCol", 1), 3);
    ASSERT_EQ(b.PutString("Import", "Name", "From B"), 1);
    EXPECT_EQ(a.GetString("Import", "Name", ""), "From B");
    ASSERT_EQ(b.PutInt("Import", "DateCol", 44), 1);
    EXPECT_EQ(a.GetInt("Import", "DateCol", 1), 44);
}

TEST_F(ProfileTest, WriteOfAnotherProcessIsSeenAtOnceAndLosesNothing) {
    CProfile profile;
    StartUp(profile);
    ASSERT_EQ(profile.PutInt("Import", "DateCol", 3), 1);
    EXPECT_EQ(profile.GetInt("Import", "OpenCol", 2), 2);

    const pid_t pid = ::fork();
    ASSERT_NE(pid, -1);
    if (pid == 0) {
        CProfile other;
        bool bCreatedNew = true;
        const bool bOk = other.CreateKey(kBasePath, bCreatedNew) && !bCreatedNew &&
                         other.PutInt("Import", "OpenCol", 22) == 1;
        ::_exit(bOk ? 0 : 1);
    }
    int nStatus = 0;
    ASSERT_EQ(::waitpid(pid, &nStatus, 0), pid);
    ASSERT_TRUE(WIFEXITED(nStatus));
    ASSERT_EQ(WEXITSTATUS(nStatus), 0);

    EXPECT_EQ(profile.GetInt("Import", "OpenCol", 2), 22);
    ASSERT_EQ(profile.PutInt("Import", "HiCol", 33), 1);
    CProfile reader;
    StartUp(reader);
    EXPECT_EQ(reader.GetInt("Import", "DateCol", 1), 3);
    EXPECT_EQ(reader.GetInt("Import", "OpenCol", 2), 22);
    EXPECT_EQ(reader.GetInt("Import", "HiCol", 3), 33);
}

// --- Migration of the legacy file ------------------------------------------------------------

TEST_F(ProfileTest, MigrationCopiesTheLegacyFile) {
    CProfile profile;
    StartWithLegacy(profile, "[Import]\nDateCol=3\n");
    EXPECT_EQ(profile.GetInt("Import", "DateCol", 1), 3);
    EXPECT_EQ(ReadFile(StoreFile()), "[Import]\nDateCol=3\n");
    EXPECT_EQ(ReadFile(LegacyFile()), "[Import]\nDateCol=3\n");
}

TEST_F(ProfileTest, MigrationHappensOnlyWhenTheKeyIsNew) {
    {
        CProfile first;
        StartWithLegacy(first, "[Import]\nDateCol=3\n");
    }
    ASSERT_TRUE(WriteFile(LegacyFile(), "[Import]\nDateCol=9\nOpenCol=8\n"));
    CProfile second;
    EXPECT_FALSE(StartUp(second));
    EXPECT_EQ(second.GetInt("Import", "DateCol", 1), 3);
    EXPECT_EQ(second.GetInt("Import", "OpenCol", 2), 2);
}

TEST_F(ProfileTest, FirstRunWithoutLegacyFileStillMarksTheKeyAsExisting) {
    {
        CProfile first;
        EXPECT_TRUE(StartUp(first));
    }
    ASSERT_TRUE(WriteFile(LegacyFile(), "[Import]\nDateCol=9\n"));
    CProfile second;
    EXPECT_FALSE(StartUp(second));
    EXPECT_EQ(second.GetInt("Import", "DateCol", 1), 1);
}

TEST_F(ProfileTest, MigratedBlanksAroundTheEqualsSignStayInNameAndText) {
    CProfile profile;
    StartWithLegacy(profile, "[Screen]\ncx = 640\n");
    EXPECT_EQ(profile.GetInt("Screen", "cx", 0), 0);
    EXPECT_EQ(profile.GetString("Screen", "cx ", "dflt"), " 640");
    EXPECT_EQ(profile.GetInt("Screen", "cx ", 0), 640);
    // The file holds the blank in the name, spelled so that QSettings does not trim it.
    EXPECT_EQ(ReadFile(StoreFile()), "[Screen]\ncx%20=\" 640\"\n");
}

TEST_F(ProfileTest, MigratedValueSplitsAtTheFirstEqualsSign) {
    CProfile profile;
    StartWithLegacy(profile, "[Import]\na=b=c\n");
    EXPECT_EQ(profile.GetString("Import", "a", ""), "b=c");
    EXPECT_EQ(profile.GetString("Import", "a=b", "dflt"), "dflt");
}

TEST_F(ProfileTest, MigrationDropsValuesBeforeAnySection) {
    CProfile profile;
    StartWithLegacy(profile, "DateCol=3\n[Import]\nOpenCol=4\n");
    EXPECT_EQ(profile.GetInt("Import", "DateCol", 1), 1);
    EXPECT_EQ(profile.GetInt("Import", "OpenCol", 2), 4);
    EXPECT_EQ(ReadFile(StoreFile()), "[Import]\nOpenCol=4\n");
}

TEST_F(ProfileTest, MigrationSkipsMalformedHeadersAndKeepsTheSection) {
    CProfile profile;
    StartWithLegacy(profile, "[ Screen ]\n[Import] x\ncx=5\n[Import]\nDateCol=3\n");
    EXPECT_EQ(profile.GetInt("Screen", "cx", 0), 5);
    EXPECT_EQ(profile.GetInt("Import", "cx", 0), 0);
    EXPECT_EQ(profile.GetInt("Import", "DateCol", 1), 3);
}

TEST_F(ProfileTest, MigrationReadsLongLinesInPieces) {
    CProfile profile;
    StartWithLegacy(profile, "[Import]\nName=" + std::string(514, 'N') + "Symbol=ABC\n");
    EXPECT_EQ(profile.GetString("Import", "Symbol", ""), "ABC");
    // The first piece's value is stored whole but is too long to read back.
    EXPECT_EQ(profile.GetString("Import", "Name", "dflt"), "dflt");
    EXPECT_NE(ReadFile(StoreFile()).find("Name=" + std::string(514, 'N') + "\n"), std::string::npos);
}

struct SBadSection {
    const char* pszWhy;
    std::string strHeader;
};

class ProfileBadSection : public ProfileTest, public ::testing::WithParamInterface<SBadSection> {};

TEST_P(ProfileBadSection, EndsTheMigrationAndKeepsWhatWasCopied) {
    CProfile profile;
    StartWithLegacy(profile, "[Import]\nDateCol=3\n" + GetParam().strHeader + "\nx=1\n[Screen]\ncx=5\n");
    EXPECT_EQ(profile.GetInt("Import", "DateCol", 1), 3);
    EXPECT_EQ(profile.GetInt("Screen", "cx", 0), 0);
    EXPECT_EQ(ReadFile(StoreFile()), "[Import]\nDateCol=3\n");
}

INSTANTIATE_TEST_SUITE_P(Headers, ProfileBadSection,
                         ::testing::Values(SBadSection{"Empty", "[]"}, SBadSection{"Blank", "[   ]"},
                                           SBadSection{"Overlong", "[" + std::string(256, 's') + "]"}),
                         [](const auto& info) { return std::string(info.param.pszWhy); });

TEST_F(ProfileTest, MigrationEndsWhenTheStoreCannotBeWritten) {
    ASSERT_TRUE(WriteFile(LegacyFile(), "[Import]\nDateCol=3\n"));
    CProfile profile;
    bool bCreatedNew = false;
    ASSERT_TRUE(profile.CreateKey(kBasePath, bCreatedNew));
    ASSERT_TRUE(bCreatedNew);
    std::filesystem::permissions(StoreFile(), std::filesystem::perms::owner_read);
    profile.MigrateIniFile();
    EXPECT_EQ(ReadFile(StoreFile()), "");
    EXPECT_EQ(profile.GetInt("Import", "DateCol", 1), 1);
}

TEST_F(ProfileTest, MigrationTakesWindowsCodePageText) {
    CProfile profile;
    StartWithLegacy(profile, "[Import]\nName=Caf\xE9 \x80\nSymbol=Caf\xC3\xA9\n");
    EXPECT_EQ(profile.GetString("Import", "Name", ""), "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(profile.GetString("Import", "Symbol", ""), "Caf\xC3\xA9");
}

TEST_F(ProfileTest, MigrationFindsSectionsAndNamesWithoutRegardToCase) {
    CProfile profile;
    StartWithLegacy(profile, "[import]\ndatecol=3\n[IMPORT]\nOpenCol=4\n");
    EXPECT_EQ(profile.GetInt("Import", "DateCol", 1), 3);
    EXPECT_EQ(profile.GetInt("Import", "OpenCol", 2), 4);
}

TEST_F(ProfileTest, MissingOrUnreadableLegacyFileCopiesNothing) {
    CProfile profile;
    EXPECT_TRUE(StartUp(profile));
    EXPECT_EQ(ReadFile(StoreFile()), "");

    CTempDir other;
    ::setenv("XDG_CONFIG_HOME", other.Path().c_str(), 1);
    std::filesystem::create_directory(other / "Pelmar.INI");
    CProfile second;
    EXPECT_TRUE(StartUp(second));
    EXPECT_EQ(ReadFile(other / "Veldrin Software" / "Pelmar.conf"), "");
}

} // namespace
