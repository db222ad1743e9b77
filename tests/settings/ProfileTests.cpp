#include "engine/JobSettings.h"
#include "settings/LegacyIniFile.h"
#include "settings/Profile.h"

#ifndef _WIN32
#include <QtCore/QByteArray>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#endif

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The QSettings store, where it is a file; on Windows the registry store is tested instead.
#ifndef _WIN32
// QSettings looks the configuration directory up once per process, so the whole program
// shares one, set before the first store is made; each test starts with no files in it.
QTemporaryDir& ConfigDir() {
    static QTemporaryDir dir;
    return dir;
}
const bool g_bConfigSet = [] { return qputenv("XDG_CONFIG_HOME", QFile::encodeName(ConfigDir().path())); }();

QString StoreFile() {
    return ConfigDir().path() + QStringLiteral("/Veldrin Software/Pelmar.conf");
}
QString LegacyFile() {
    return ConfigDir().path() + QStringLiteral("/Pelmar.INI");
}

void WriteLegacyFile(const QByteArray& bytes) {
    QFile file(LegacyFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(g_bConfigSet);
        QFile::remove(StoreFile());
        QFile::remove(LegacyFile());
    }
};

TEST_F(ProfileTest, GivesDefaultsUntilWrittenThenKeepsTextsAcrossRuns) {
    {
        CProfile profile;
        ASSERT_TRUE(profile.CreateKey());
        EXPECT_EQ(profile.GetInt("Import", "DateCol", 1), 1);
        EXPECT_EQ(profile.GetString("Import", "PathOut", "none"), "none");
        EXPECT_EQ(profile.PutInt("Import", "Exist", -1), 1);
        EXPECT_EQ(profile.PutString("Import", "Name", "Caf\xC3\xA9, \"Inc\" = 1"), 1);
        EXPECT_EQ(profile.PutString("Import", "Symbol", ""), 1);
        EXPECT_EQ(profile.PutString("Screen", "Geometry", "AdnQywADAAAAAAAA/w=="), 1);
        // Read back by the same open store before anything reached the disk.
        EXPECT_EQ(profile.GetInt("Import", "Exist", 0), -1);
    }
    QFile file(StoreFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.contains("[Import]\n")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("\nExist=-1\n")) << "integers are stored as decimal text";

    CProfile again;
    again.CreateKey();
    EXPECT_EQ(again.GetInt("Import", "Exist", 0), -1);
    EXPECT_EQ(again.GetString("Import", "Name", ""), "Caf\xC3\xA9, \"Inc\" = 1");
    EXPECT_EQ(again.GetString("Import", "Symbol", "default"), "") << "an empty text is a value";
    EXPECT_EQ(again.GetString("Screen", "Geometry", ""), "AdnQywADAAAAAAAA/w==");
}

struct SScanCase {
    const char* pszStored;
    int nExpected;
};

class ProfileScan : public ProfileTest, public ::testing::WithParamInterface<SScanCase> {};

TEST_P(ProfileScan, ReadsIntegersAsPercentDDoes) {
    CProfile profile;
    profile.CreateKey();
    profile.PutString("Import", "SkipRows", GetParam().pszStored);
    EXPECT_EQ(profile.GetInt("Import", "SkipRows", 42), GetParam().nExpected) << GetParam().pszStored;
}

INSTANTIATE_TEST_SUITE_P(Texts, ProfileScan,
                         ::testing::Values(SScanCase{"12", 12}, SScanCase{" 7 word", 7}, SScanCase{"\t-3x", -3},
                                           SScanCase{"+5", 5}, SScanCase{"-2147483648", -2147483647 - 1},
                                           SScanCase{"", 42}, SScanCase{"abc", 42}, SScanCase{"+-5", 42},
                                           SScanCase{"-", 42}, SScanCase{"2147483648", 42},
                                           SScanCase{"99999999999999999999", 42}));

TEST_F(ProfileTest, CopiesTheLegacyFileIntoANewStoreOnlyOnce) {
    // A value before any section, blanks around "=", a second "=", a header with text after
    // its bracket (no header), the Windows code page, and a line read in two pieces.
    WriteLegacyFile("Symbol=IBM\n[ Import ]\r\nDateCol=3\ncx = 640\na=b=c\n[Import] x\nName=Caf\xE9\n" +
                    QByteArray(519, 'x') + "OICol=6\n[Screen]\nx=10\n");
    {
        CProfile profile;
        ASSERT_TRUE(profile.CreateKey());
        EXPECT_EQ(profile.GetInt("Import", "DateCol", 1), 3);
        EXPECT_EQ(profile.GetInt("Import", "cx", 0), 0) << "the name keeps its blank";
        EXPECT_EQ(profile.GetString("Import", "cx ", ""), " 640");
        EXPECT_EQ(profile.GetString("Import", "a", ""), "b=c");
        EXPECT_EQ(profile.GetString("Import", "Name", ""), "Caf\xC3\xA9");
        EXPECT_EQ(profile.GetInt("Import", "OICol", 7), 6);
        EXPECT_EQ(profile.GetInt("Screen", "x", 0), 10);
        EXPECT_EQ(profile.GetString("Import", "Symbol", "none"), "none");
    }
    WriteLegacyFile("[Import]\nDateCol=9\nVolCol=2\n");
    CProfile again;
    again.CreateKey();
    EXPECT_EQ(again.GetInt("Import", "DateCol", 1), 3);
    EXPECT_EQ(again.GetInt("Import", "VolCol", 6), 6);
}

// Every key of the settings table, each away from its default, saved through one store and
// loaded through the next as the dialog and the command line do.
TEST_F(ProfileTest, KeepsEveryKeyOfTheSettingsTable) {
    SImportSettings saved;
    for (const SIntKey& key : kIntKeys) {
        saved.*key.pMember = key.nDefault == key.nMax ? key.nMin : key.nMax;
    }
    for (const STextKey& key : kTextKeys) {
        saved.*key.pMember = std::string(key.nMaxChars - 1, 'x') + "\xC3\xA9";
    }
    saved.strDateFormat = "DDMMCCYY";
    {
        CProfile profile;
        profile.CreateKey();
        SaveImportSettings(profile, saved);
    }
    CProfile again;
    again.CreateKey();
    const SImportSettings loaded = LoadImportSettings(again);
    for (const SIntKey& key : kIntKeys) {
        EXPECT_EQ(loaded.*key.pMember, saved.*key.pMember) << key.pszKey;
    }
    for (const STextKey& key : kTextKeys) {
        // Paths, symbol and name are the run's to record, not the dialog's.
        EXPECT_EQ(loaded.*key.pMember, IsRunRecordKey(key.pszKey) ? key.pszDefault : saved.*key.pMember) << key.pszKey;
    }
}

#endif

struct SParseCase {
    const char* pszText;
    std::size_t nTextBytes;
    const char* pszExpected; // "section|name|value;" per value
};

class LegacyIniParse : public ::testing::TestWithParam<SParseCase> {};

TEST_P(LegacyIniParse, ReadsAsTheOldVersionsDid) {
    std::string actual;
    for (const SLegacyIniValue& value :
         ParseLegacyIniFile(std::string_view(GetParam().pszText, GetParam().nTextBytes))) {
        actual += value.strSection + "|" + value.strName + "|" + value.strValue + ";";
    }
    EXPECT_EQ(actual, GetParam().pszExpected) << GetParam().pszText;
}

#define CASE(text, expected) SParseCase{text, sizeof(text) - 1, expected}
INSTANTIATE_TEST_SUITE_P(
    Texts, LegacyIniParse,
    ::testing::Values(CASE("[\tA B\t]\nk=v", "A B|k|v;"), CASE("[]\nk=v", "|k|v;"), CASE("[[a]\nk=v", "[a|k|v;"),
                      CASE("[a=b]\nk=v", "a=b|k|v;"), CASE("[a]\n[a]b]\nk=v", "a|k|v;"),
                      CASE("[a]\nx[b]\nk=v", "a|k|v;"), CASE("[a]\n[b\nk=v", "a|k|v;"),
                      CASE("[a]\n  k=  \r\n=v\n\n#c\n", "a|k|;a||v;"), CASE("[a]\nk=v\0w\nl=x", "a|k|v;a|l|x;"),
                      CASE("[a]\0]\nk=v", "a|k|v;"), CASE("k=v\n[a]", "")));
#undef CASE

} // namespace
