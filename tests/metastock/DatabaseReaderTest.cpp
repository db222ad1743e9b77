// The read-only database reader where the command line cannot reach it: failing reads and
// the field descriptions of other software.
#include "metastock/DatabaseReader.h"

#include "tests/support/FaultyFileSystem.h"
#include "tests/support/MasterBuilder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class DatabaseReader : public ::testing::Test {
protected:
    DatabaseReader() {
        CMasterBuilder().Security({}).Security({}).Write(m_dir / "MASTER");
        WriteFile(m_dir / "F1.DAT", MakeDataFileBytes(5, {{990104.0f, 11, 9, 10.5f, 1200}, {990105.0f, 12, 10, 11, 900}}));
        WriteFile(m_dir / "F1.DOP", MakeDopText(MakeFieldFlags({0, 2, 3, 4, 5})));
    }

    CTempDir m_dir;
    CFaultyFileSystem m_fs;
};

} // namespace

TEST_F(DatabaseReader, ReadsTheMasterAndTheBars) {
    std::string strError;
    const auto listing = ReadMasterListing(m_fs, m_dir.Path(), strError);
    ASSERT_TRUE(listing) << strError;
    EXPECT_EQ(listing->header.nEntryCount, 2);
    EXPECT_EQ(listing->records.size(), 2u);
    EXPECT_EQ(listing->nCounted, 2u);
    EXPECT_TRUE(listing->problems.empty());

    const auto bars = ReadSecurityBars(m_fs, m_dir.Path(), listing->records[0], strError);
    ASSERT_TRUE(bars) << strError;
    EXPECT_EQ(bars->fields, (std::vector<int>{kFieldDate, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume}));
    EXPECT_EQ(bars->values, (std::vector<float>{990104.0f, 11, 9, 10.5f, 1200, 990105.0f, 12, 10, 11, 900}));
    EXPECT_TRUE(bars->warnings.empty());
    EXPECT_EQ(bars->info.nBarCount, 2);
    EXPECT_EQ(bars->info.nStoredBars, 2u);
    EXPECT_FALSE(bars->info.bPartialRecord);
}

TEST_F(DatabaseReader, EveryFailingReadOfTheMasterIsReported) {
    std::string strError;
    ASSERT_TRUE(ReadMasterListing(m_fs, m_dir.Path(), strError));
    const int nReads = m_fs.ReadCount();
    ASSERT_GT(nReads, 0);
    for (int n = 1; n <= nReads; ++n) {
        m_fs.Reset();
        m_fs.FailReadAt(n);
        strError.clear();
        EXPECT_FALSE(ReadMasterListing(m_fs, m_dir.Path(), strError)) << n;
        EXPECT_NE(strError.find("read error"), std::string::npos) << n << ": " << strError;
    }
}

TEST_F(DatabaseReader, EveryFailingReadOfASecurityIsReported) {
    std::string strError;
    const auto listing = ReadMasterListing(m_fs, m_dir.Path(), strError);
    ASSERT_TRUE(listing);
    m_fs.Reset();
    ASSERT_TRUE(ReadSecurityBars(m_fs, m_dir.Path(), listing->records[0], strError));
    const int nReads = m_fs.ReadCount();
    for (int n = 1; n <= nReads; ++n) {
        m_fs.Reset();
        m_fs.FailReadAt(n);
        strError.clear();
        const auto bars = ReadSecurityBars(m_fs, m_dir.Path(), listing->records[0], strError);
        if (bars) {
            // Only the field description may fail this way, and then it says so.
            ASSERT_EQ(bars->warnings.size(), 1u) << n;
            EXPECT_NE(bars->warnings[0].find("cannot be read"), std::string::npos) << bars->warnings[0];
            EXPECT_EQ(bars->values.size(), 10u);
        } else {
            EXPECT_NE(strError.find("read error"), std::string::npos) << n << ": " << strError;
        }
    }
}

TEST_F(DatabaseReader, CountsTheStoredBarsAndATrailingPart) {
    WriteFile(m_dir / "F1.DAT", MakeDataFileBytes(5, {{1}, {2}, {3}}, 2) + "xyz");
    std::string strError;
    const auto listing = ReadMasterListing(m_fs, m_dir.Path(), strError);
    ASSERT_TRUE(listing);
    const auto info = ReadDataFileInfo(m_fs, m_dir.Path(), listing->records[0], strError);
    ASSERT_TRUE(info) << strError;
    EXPECT_EQ(info->nBarCount, 1);
    EXPECT_EQ(info->nStoredBars, 3u);
    EXPECT_TRUE(info->bPartialRecord);
}

TEST_F(DatabaseReader, TheLargestHeaderCountIsUnsigned) {
    // 0xFFFF records: 65534 bars, not a negative count.
    WriteFile(m_dir / "F1.DAT", MakeDataFileBytes(2, std::vector<std::vector<float>>(65534, {991231.0f, 1.0f}), 0xFFFF));
    SEntrySpec spec;
    spec.nFieldCount = 2;
    CMasterBuilder().Security(spec).Write(m_dir / "MASTER");
    std::string strError;
    const auto listing = ReadMasterListing(m_fs, m_dir.Path(), strError);
    ASSERT_TRUE(listing);
    const auto info = ReadDataFileInfo(m_fs, m_dir.Path(), listing->records[0], strError);
    ASSERT_TRUE(info) << strError;
    EXPECT_EQ(info->nBarCount, 65534);
}

TEST(DopText, FieldsOfOtherSoftware) {
    EXPECT_EQ(ParseDopText("\"DATE\",0,0\r\n\"CLOSE\",4,4\r\n", 2), (std::vector<int>{kFieldDate, kFieldClose}));
    // Lower case, LF alone, blank lines and other suffixes.
    EXPECT_EQ(ParseDopText("\"date\",0,0\n\n\"Vol\",9,9\n  \n\"close\"\n", 3),
              (std::vector<int>{kFieldDate, kFieldVolume, kFieldClose}));
    EXPECT_EQ(ParseDopText(MakeDopText(MakeFieldFlags({0, 1, 2, 3, 4, 5, 6})), 7),
              (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
}

TEST(DopText, RefusesWhatDoesNotDescribeTheRecord) {
    const char* kBad[] = {
        "\"DATE\",0,0\r\n",                                  // one field short
        "\"DATE\",0,0\r\n\"CLOSE\",4,4\r\n\"OI\",4,4\r\n",     // one too many
        "\"DATE\",0,0\r\n\"DATE\",0,0\r\n",                    // twice
        "\"OPEN\",4,4\r\n\"CLOSE\",4,4\r\n",                   // no date
        "\"DATE\",0,0\r\n\"PRICE\",4,4\r\n",                   // unknown
        "DATE,0,0\r\nCLOSE,4,4\r\n",                         // no quotes
        "\"DATE\r\n\"CLOSE\"\r\n",                            // unclosed
        "",
    };
    for (const char* text : kBad) {
        EXPECT_EQ(ParseDopText(text, 2), std::nullopt) << text;
    }
}
