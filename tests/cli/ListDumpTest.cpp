// pelmar-cli list and dump run as separate processes over databases built here as the
// converter and other software write them, sound, truncated and inconsistent.
#include "metastock/Records.h"
#include "tests/support/MasterBuilder.h"
#include "tests/cli/CliRun.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The text of value with the fewest significant digits that reads back unchanged, as %g
// writes it.
std::string FewestDigitsText(float value) {
    char text[64];
    for (int nDigits = 1;; ++nDigits) {
        std::snprintf(text, sizeof text, "%.*g", nDigits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) {
            return text;
        }
    }
}

const char kListHeader[] = "Record\tFile\tKind\tSymbol\tName\tFields\tFirst\tLast\tBars";

// Date, High, Low, Close, Volume: the five fields of the default entry.
const std::vector<std::vector<float>> kFiveFieldBars = {
    {990104.0f, 11.0f, 9.0f, 10.5f, 1200.0f},
    {990105.0f, 12.0f, 10.0f, 11.75f, 900.0f},
    {991231.0f, 12.5f, 11.25f, 12.125f, 15000.0f},
};

class ListDump : public ::testing::Test {
protected:
    ListDump() {
        std::filesystem::create_directory(m_db);
        std::filesystem::create_directory(m_config);
    }

    SRun Cli(const std::string& args) { return RunCli(args, m_config, m_dir.Path()); }
    SRun List() { return Cli("list " + Quote(m_db.string())); }
    SRun Dump(const std::string& symbol) { return Cli("dump " + Quote(m_db.string()) + " " + Quote(symbol)); }

    // A security's F<n>.DAT and F<n>.DOP as the converter writes them.
    void WriteSecurityFiles(std::uint8_t nFileNumber, const std::vector<int>& fields,
                            const std::vector<std::vector<float>>& bars) {
        const std::string n = std::to_string(nFileNumber);
        WriteFile(m_db / ("F" + n + ".DAT"), MakeDataFileBytes(static_cast<int>(fields.size()), bars));
        WriteFile(m_db / ("F" + n + ".DOP"), MakeDopText(MakeFieldFlags(fields)));
    }
    void WriteAlpha() {
        WriteSecurityFiles(1, {kFieldDate, kFieldHigh, kFieldLow, kFieldClose, kFieldVolume}, kFiveFieldBars);
    }
    // A run that failed with a message on stderr naming part.
    void ExpectFailed(const SRun& run, const std::string& part) {
        EXPECT_EQ(run.nStatus, 1);
        EXPECT_TRUE(Contains(run.strErr, part)) << run.strErr;
    }

    CTempDir m_dir;
    std::filesystem::path m_db = m_dir / "db";
    std::filesystem::path m_config = m_dir / "config";
};

} // namespace

TEST_F(ListDump, ListsEverySecurityOfAConverterDatabase) {
    SEntrySpec beta;
    beta.nFileNumber = 2;
    beta.strSymbol = "BETA";
    beta.strName = "BETA MINING";
    beta.nFieldCount = 7;
    beta.fFirstDate = 1000105.0f;
    beta.fLastDate = 1000105.0f;
    CMasterBuilder().Security({}).Security(beta).Write(m_db / "MASTER");
    WriteAlpha();
    WriteSecurityFiles(2, {0, 1, 2, 3, 4, 5, 6}, {{1000105.0f, 1, 2, 3, 4, 5, 6}});

    const SRun run = List();
    EXPECT_EQ(run.nStatus, 0);
    EXPECT_EQ(run.strErr, "");
    EXPECT_EQ(run.strOut, std::string(kListHeader) +
                              "\n"
                              "1\t1\tsecurity\tABC\tALPHA CORP\t5\t1999-01-04\t1999-12-31\t3\n"
                              "2\t2\tsecurity\tBETA\tBETA MINING\t7\t2000-01-05\t2000-01-05\t1\n");
}

TEST_F(ListDump, AnEmptyMasterListsOnlyTheHeaderRow) {
    CMasterBuilder().Write(m_db / "MASTER");
    const SRun run = List();
    EXPECT_EQ(run.nStatus, 0);
    EXPECT_EQ(run.strOut, std::string(kListHeader) + "\n");
    EXPECT_EQ(run.strErr, "");
}

TEST_F(ListDump, ShowsDirectoryEntriesWithTheirSubdirectory) {
    CMasterBuilder().Directory(0, "STOCKS").Security({}).Directory(7, "FUNDS2").Write(m_db / "MASTER");
    WriteAlpha();
    const SRun run = List();
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    const auto lines = Lines(run.strOut);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "1\t0\tdirectory\t-\tSTOCKS\t-\t-\t-\t-");
    EXPECT_EQ(lines[2], "2\t1\tsecurity\tABC\tALPHA CORP\t5\t1999-01-04\t1999-12-31\t3");
    EXPECT_EQ(lines[3], "3\t7\tdirectory\t-\tFUNDS2\t-\t-\t-\t-");
}

TEST_F(ListDump, FindsFilesWhateverTheCaseOfTheirNames) {
    CMasterBuilder().Security({}).Write(m_db / "master");
    WriteFile(m_db / "f1.dat", MakeDataFileBytes(5, kFiveFieldBars));
    WriteFile(m_db / "f1.Dop", MakeDopText(MakeFieldFlags({0, 2, 3, 4, 5})));
    EXPECT_EQ(List().nStatus, 0);
    const SRun run = Dump("ABC");
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(run.strErr, "");
    EXPECT_EQ(Lines(run.strOut).size(), 4u);
}

TEST_F(ListDump, RecordsBeyondTheEntryCountAreShownButNotChecked) {
    SEntrySpec extra;
    extra.nFileNumber = 9;
    extra.strSymbol = "GONE";
    CMasterBuilder().Security({}).Security(extra).EntryCount(1).Write(m_db / "MASTER");
    WriteAlpha(); // no F9.DAT
    const SRun run = List();
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    const auto lines = Lines(run.strOut);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "2\t9\tuncounted\tGONE\tALPHA CORP\t5\t1999-01-04\t1999-12-31\t-");
    // A search reads only the counted entries.
    ExpectFailed(Dump("GONE"), "no security has the symbol or name \"GONE\"");
}

TEST_F(ListDump, TextsOfOtherSoftwarePaddedWithZeros) {
    SEntrySpec spec;
    spec.cPad = '\0';
    spec.strSymbol = "XYZ";
    spec.strName = "XYZ HOLDINGS";
    CMasterBuilder().Security(spec).Write(m_db / "MASTER");
    WriteAlpha();
    const SRun run = List();
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(Lines(run.strOut).at(1), "1\t1\tsecurity\tXYZ\tXYZ HOLDINGS\t5\t1999-01-04\t1999-12-31\t3");
    EXPECT_EQ(Dump("xyz").nStatus, 0);
    EXPECT_EQ(Dump("xyz holdings").nStatus, 0);
}

TEST_F(ListDump, ControlCharactersAndInvalidDatesDoNotBreakTheColumns) {
    SEntrySpec spec;
    spec.strName = "A\tB\nC";
    spec.fFirstDate = 991232.0f; // day 32
    spec.fLastDate = 0.0f;
    CMasterBuilder().Security(spec).Write(m_db / "MASTER");
    WriteAlpha();
    const SRun run = List();
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(Lines(run.strOut).at(1), "1\t1\tsecurity\tABC\tA?B?C\t5\t-\t-\t3");
}

TEST_F(ListDump, AMissingOrTruncatedMasterFails) {
    SRun run = List();
    ExpectFailed(run, "MASTER");
    EXPECT_EQ(run.strOut, "");
    ExpectFailed(Dump("ABC"), "MASTER");
    ExpectFailed(Cli("list " + Quote((m_dir / "nowhere").string())), "MASTER");

    WriteFile(m_db / "MASTER", CMasterBuilder().Security({}).Bytes().substr(0, 30));
    run = List();
    ExpectFailed(run, "ends inside its header (30 of 53 bytes)");
    EXPECT_EQ(run.strOut, "");
    ExpectFailed(Dump("ABC"), "ends inside its header");

    WriteFile(m_db / "MASTER", "");
    ExpectFailed(List(), "ends inside its header (0 of 53 bytes)");
}

TEST_F(ListDump, AMasterEndingInsideAnEntryListsTheWholeOnesAndFails) {
    WriteAlpha();
    WriteFile(m_db / "MASTER", CMasterBuilder().Security({}).Security({}).Bytes().substr(0, 53 * 2 + 20));
    const SRun run = List();
    ExpectFailed(run, "20 bytes after the last whole record");
    // The count of 2 reaches past the one whole entry as well.
    EXPECT_TRUE(Contains(run.strErr, "the header counts 2 entries but the file holds only 1")) << run.strErr;
    const auto lines = Lines(run.strOut);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "1\t1\tsecurity\tABC\tALPHA CORP\t5\t1999-01-04\t1999-12-31\t3");
}

TEST_F(ListDump, DumpFromATruncatedMasterWritesTheBarsButFails) {
    WriteAlpha();
    WriteFile(m_db / "MASTER", CMasterBuilder().Security({}).Security({}).Bytes().substr(0, 53 * 2 + 20));
    SRun run = Dump("ABC");
    ExpectFailed(run, "20 bytes after the last whole record");
    EXPECT_EQ(Lines(run.strOut).size(), 4u);

    CMasterBuilder().Security({}).EntryCount(5).Write(m_db / "MASTER");
    run = Dump("alpha corp");
    ExpectFailed(run, "the header counts 5 entries but the file holds only 1");
    EXPECT_EQ(Lines(run.strOut).size(), 4u);
}

TEST_F(ListDump, AnEntryCountBeyondTheFileFails) {
    WriteAlpha();
    CMasterBuilder().Security({}).EntryCount(200).Write(m_db / "MASTER");
    SRun run = List();
    ExpectFailed(run, "the header counts 200 entries but the file holds only 1");
    EXPECT_EQ(Lines(run.strOut).size(), 2u);

    CMasterBuilder().Security({}).EntryCount(-3).Write(m_db / "MASTER");
    run = List();
    ExpectFailed(run, "entry count -3 is negative");
    EXPECT_EQ(Lines(run.strOut).at(1).substr(0, 13), "1\t1\tuncounted");
    // Nothing is counted, so nothing is found.
    ExpectFailed(Dump("ABC"), "no security");
}

TEST_F(ListDump, ADataFileShorterThanItsHeaderSaysFails) {
    CMasterBuilder().Security({}).Write(m_db / "MASTER");
    WriteFile(m_db / "F1.DAT", MakeDataFileBytes(5, kFiveFieldBars, 11));
    WriteFile(m_db / "F1.DOP", MakeDopText(MakeFieldFlags({0, 2, 3, 4, 5})));
    SRun run = List();
    ExpectFailed(run, "the header counts 10 bars but the file holds only 3");
    EXPECT_TRUE(Contains(run.strErr, "F1.DAT")) << run.strErr;
    EXPECT_EQ(Lines(run.strOut).at(1), "1\t1\tsecurity\tABC\tALPHA CORP\t5\t1999-01-04\t1999-12-31\t-");

    run = Dump("ABC");
    ExpectFailed(run, "the header counts 10 bars but the file holds only 3");
    EXPECT_EQ(run.strOut, "");
}

TEST_F(ListDump, ADataFileEndingInsideItsHeaderOrCountingNoHeaderFails) {
    CMasterBuilder().Security({}).Write(m_db / "MASTER");
    WriteFile(m_db / "F1.DAT", MakeDataFileBytes(5, {}).substr(0, 7));
    ExpectFailed(List(), "ends inside its header (7 of 20 bytes)");
    ExpectFailed(Dump("ABC"), "ends inside its header (7 of 20 bytes)");

    WriteFile(m_db / "F1.DAT", MakeDataFileBytes(5, kFiveFieldBars, 0));
    ExpectFailed(List(), "record count is 0");
    ExpectFailed(Dump("ABC"), "record count is 0");
}

TEST_F(ListDump, AMissingDataFileFails) {
    CMasterBuilder().Security({}).Write(m_db / "MASTER");
    SRun run = List();
    ExpectFailed(run, "F1.DAT: the data file cannot be opened");
    EXPECT_EQ(Lines(run.strOut).at(1), "1\t1\tsecurity\tABC\tALPHA CORP\t5\t1999-01-04\t1999-12-31\t-");
    run = Dump("ABC");
    ExpectFailed(run, "F1.DAT: the data file cannot be opened");
    EXPECT_EQ(run.strOut, "");
}

TEST_F(ListDump, ABadFieldCountOrRecordLengthFails) {
    SEntrySpec nine;
    nine.nFieldCount = 9;
    CMasterBuilder().Security(nine).Write(m_db / "MASTER");
    WriteFile(m_db / "F1.DAT", MakeDataFileBytes(9, kFiveFieldBars));
    SRun run = List();
    ExpectFailed(run, "field count 9 is not 2 to 7");
    EXPECT_EQ(Lines(run.strOut).at(1), "1\t1\tsecurity\tABC\tALPHA CORP\t9\t1999-01-04\t1999-12-31\t-");
    run = Dump("ABC");
    ExpectFailed(run, "field count 9 is not 2 to 7");
    EXPECT_EQ(run.strOut, "");

    SEntrySpec one;
    one.nFieldCount = 1;
    CMasterBuilder().Security(one).Write(m_db / "MASTER");
    ExpectFailed(List(), "field count 1 is not 2 to 7");
    ExpectFailed(Dump("ABC"), "field count 1 is not 2 to 7");

    SEntrySpec odd;
    odd.nRecordLength = 21;
    CMasterBuilder().Security(odd).Write(m_db / "MASTER");
    WriteAlpha();
    ExpectFailed(List(), "record length 21");
    ExpectFailed(Dump("ABC"), "record length 21");
}

TEST_F(ListDump, DumpsTheBarsAsCsv) {
    CMasterBuilder().Security({}).Write(m_db / "MASTER");
    WriteAlpha();
    const SRun run = Dump("ABC");
    EXPECT_EQ(run.nStatus, 0);
    EXPECT_EQ(run.strErr, "");
    EXPECT_EQ(run.strOut,
              "Date,High,Low,Close,Volume\n"
              "1999-01-04,11,9,10.5,1200\n"
              "1999-01-05,12,10,11.75,900\n"
              "1999-12-31,12.5,11.25,12.125,15000\n");
}

TEST_F(ListDump, TheHeaderRowNamesOnlyTheFieldsOfTheDescription) {
    SEntrySpec spec;
    spec.nFieldCount = 4;
    CMasterBuilder().Security(spec).Write(m_db / "MASTER");
    WriteSecurityFiles(1, {kFieldDate, kFieldOpen, kFieldClose, kFieldOpenInterest}, {{1000105.0f, 1.5f, 2.5f, 70.0f}});
    SRun run = Dump("ABC");
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(run.strOut, "Date,Open,Close,OpenInterest\n2000-01-05,1.5,2.5,70\n");

    spec.nFieldCount = 2;
    CMasterBuilder().Security(spec).Write(m_db / "MASTER");
    WriteSecurityFiles(1, {kFieldDate, kFieldClose}, {{1000105.0f, 2.5f}});
    run = Dump("ABC");
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(run.strOut, "Date,Close\n2000-01-05,2.5\n");
}

TEST_F(ListDump, WithoutAUsableDescriptionTheFieldCountDecides) {
    struct SCase {
        int nFieldCount;
        const char* pszHeader;
    };
    const SCase cases[] = {
        {2, "Date,Close"},
        {3, "Date,Close,Volume"},
        {4, "Date,High,Low,Close"},
        {5, "Date,High,Low,Close,Volume"},
        {6, "Date,Open,High,Low,Close,Volume"},
        {7, "Date,Open,High,Low,Close,Volume,OpenInterest"},
    };
    for (const SCase& c : cases) {
        SEntrySpec spec;
        spec.nFieldCount = c.nFieldCount;
        CMasterBuilder().Security(spec).Write(m_db / "MASTER");
        WriteFile(m_db / "F1.DAT", MakeDataFileBytes(c.nFieldCount, {{991231.0f, 1, 2, 3, 4, 5, 6}}));
        std::filesystem::remove(m_db / "F1.DOP");
        const SRun run = Dump("ABC");
        EXPECT_EQ(run.nStatus, 0) << run.strErr;
        const auto lines = Lines(run.strOut);
        ASSERT_EQ(lines.size(), 2u) << c.nFieldCount;
        EXPECT_EQ(lines[0], c.pszHeader);
        EXPECT_EQ(lines[1], "1999-12-31" + std::string(",1,2,3,4,5,6").substr(0, 2 * (c.nFieldCount - 1)));
        EXPECT_TRUE(Contains(run.strErr, "warning")) << run.strErr;
        EXPECT_TRUE(Contains(run.strErr, "F1.DOP")) << run.strErr;
    }

    // A description that does not fit the field count is not used either.
    SEntrySpec spec;
    spec.nFieldCount = 2;
    CMasterBuilder().Security(spec).Write(m_db / "MASTER");
    WriteFile(m_db / "F1.DAT", MakeDataFileBytes(2, {{991231.0f, 4}}));
    for (const char* pszDop : {"\"DATE\",0,0\r\n\"HIGH\",4,4\r\n\"CLOSE\",4,4\r\n", "\"DATE\",0,0\r\n\"DATE\",0,0\r\n",
                               "\"CLOSE\",4,4\r\n\"HIGH\",4,4\r\n", "\"DATE\",0,0\r\n\"PRICE\",4,4\r\n",
                               "DATE,CLOSE\r\n"}) {
        WriteFile(m_db / "F1.DOP", pszDop);
        const SRun run = Dump("ABC");
        EXPECT_EQ(run.nStatus, 0) << run.strErr;
        EXPECT_EQ(run.strOut, "Date,Close\n1999-12-31,4\n") << pszDop;
        EXPECT_TRUE(Contains(run.strErr, "warning")) << pszDop;
    }
}

TEST_F(ListDump, MatchesSymbolOrNameWithoutRegardToCase) {
    SEntrySpec gamma;
    gamma.nFileNumber = 2;
    gamma.strSymbol = "GAM";
    gamma.strName = "Gamma Energy";
    gamma.nFieldCount = 2;
    CMasterBuilder().Directory(3, "ABC").Directory(4, "STOCKS").Security({}).Security(gamma).Write(m_db / "MASTER");
    WriteAlpha();
    WriteSecurityFiles(2, {kFieldDate, kFieldClose}, {{1000105.0f, 42.0f}});

    for (const char* pszSought : {"ABC", "abc", "aBc", "ALPHA CORP", "alpha corp"}) {
        const SRun run = Dump(pszSought);
        EXPECT_EQ(run.nStatus, 0) << pszSought << run.strErr;
        EXPECT_EQ(Lines(run.strOut).size(), 4u) << pszSought;
    }
    for (const char* pszSought : {"gam", "GAMMA ENERGY", "gamma energy"}) {
        const SRun run = Dump(pszSought);
        EXPECT_EQ(run.nStatus, 0) << pszSought << run.strErr;
        EXPECT_EQ(run.strOut, "Date,Close\n2000-01-05,42\n") << pszSought;
    }
    // No partial matches, and a directory entry is no security.
    for (const char* pszSought : {"AB", "ABCD", "ALPHA", "Gamma", "STOCKS", ""}) {
        SRun run = Dump(pszSought);
        ExpectFailed(run, "no security has the symbol or name");
        EXPECT_EQ(run.strOut, "") << pszSought;
    }
}

TEST_F(ListDump, NumbersAreTheShortestTextThatReadsBackToTheSameSingle) {
    std::vector<float> values = {0.1f, 1.0f / 3.0f, 16777216.0f, 1e10f, -2.5f, 0.0f, 123456.79f, 1e-6f,
                                 1e38f, std::numeric_limits<float>::min(), 100.25f, 1200.0f};
    std::mt19937 random(99u);
    std::uniform_int_distribution<std::uint32_t> bits(0x00800000u, 0x7EFFFFFFu);
    while (values.size() < 600) {
        const float value = std::bit_cast<float>(bits(random));
        values.push_back(values.size() % 2 ? -value : value);
    }
    std::vector<std::vector<float>> bars;
    for (float value : values) {
        bars.push_back({991231.0f, value});
    }
    SEntrySpec spec;
    spec.nFieldCount = 2;
    CMasterBuilder().Security(spec).Write(m_db / "MASTER");
    WriteSecurityFiles(1, {kFieldDate, kFieldClose}, bars);

    const SRun run = Dump("ABC");
    ASSERT_EQ(run.nStatus, 0) << run.strErr;
    const auto lines = Lines(run.strOut);
    ASSERT_EQ(lines.size(), values.size() + 1);
    EXPECT_EQ(lines[1], "1999-12-31,0.1");
    EXPECT_EQ(lines[2], "1999-12-31,0.33333334");
    EXPECT_EQ(lines[3], "1999-12-31,16777216");
    EXPECT_EQ(lines[4], "1999-12-31,1e+10");
    EXPECT_EQ(lines[5], "1999-12-31,-2.5");
    EXPECT_EQ(lines[6], "1999-12-31,0");
    EXPECT_EQ(lines[7], "1999-12-31,123456.79");
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string text = lines[i + 1].substr(11);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(std::strtof(text.c_str(), nullptr)),
                  std::bit_cast<std::uint32_t>(values[i]))
            << text;
        // No longer than the fewest digits need; large whole numbers may be written out in
        // full when that is no longer than the exponent form.
        EXPECT_LE(text.size(), FewestDigitsText(values[i]).size()) << text;
    }
}

TEST_F(ListDump, DatesAcrossTheWholeRange) {
    SEntrySpec spec;
    spec.nFieldCount = 2;
    spec.fFirstDate = 101.0f;
    spec.fLastDate = 2400604.0f;
    CMasterBuilder().Security(spec).Write(m_db / "MASTER");
    WriteSecurityFiles(1, {kFieldDate, kFieldClose},
                       {{101.0f, 1}, {500103.0f, 2}, {601231.0f, 3}, {610101.0f, 4}, {1000229.0f, 5},
                        {2000229.0f, 6}, {2400604.0f, 7}, {990229.0f, 8}, {991301.0f, 9}, {0.0f, 10}, {991231.5f, 11}});
    SRun run = List();
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(Lines(run.strOut).at(1), "1\t1\tsecurity\tABC\tALPHA CORP\t2\t1900-01-01\t2140-06-04\t11");
    run = Dump("ABC");
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(run.strOut, "Date,Close\n"
                          "1900-01-01,1\n"
                          "1950-01-03,2\n"
                          "1960-12-31,3\n"
                          "1961-01-01,4\n"
                          "2000-02-29,5\n"
                          "2100-02-29,6\n"
                          "2140-06-04,7\n"
                          "-,8\n"
                          "-,9\n"
                          "-,10\n"
                          "-,11\n");
}

TEST_F(ListDump, OnlyTheCountedBarsAreDumped) {
    CMasterBuilder().Security({}).Write(m_db / "MASTER");
    WriteFile(m_db / "F1.DAT", MakeDataFileBytes(5, kFiveFieldBars, 2) + std::string(7, '\x01'));
    WriteFile(m_db / "F1.DOP", MakeDopText(MakeFieldFlags({0, 2, 3, 4, 5})));
    EXPECT_EQ(Lines(List().strOut).at(1), "1\t1\tsecurity\tABC\tALPHA CORP\t5\t1999-01-04\t1999-12-31\t1");
    const SRun run = Dump("ABC");
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(run.strOut, "Date,High,Low,Close,Volume\n1999-01-04,11,9,10.5,1200\n");
    EXPECT_TRUE(Contains(run.strErr, "holds 3 bars but its header counts 1")) << run.strErr;
}

TEST_F(ListDump, ASecurityWithNoBars) {
    CMasterBuilder().Security({}).Write(m_db / "MASTER");
    WriteSecurityFiles(1, {0, 2, 3, 4, 5}, {});
    EXPECT_EQ(Lines(List().strOut).at(1), "1\t1\tsecurity\tABC\tALPHA CORP\t5\t1999-01-04\t1999-12-31\t0");
    const SRun run = Dump("ABC");
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    EXPECT_EQ(run.strOut, "Date,High,Low,Close,Volume\n");
}

TEST_F(ListDump, ReadsNothingBeyondTheFilesOfALargeDatabase) {
    // 255 securities, the most a MASTER holds, each with its own layout.
    CMasterBuilder builder;
    for (int i = 1; i <= 255; ++i) {
        SEntrySpec spec;
        spec.nFileNumber = static_cast<std::uint8_t>(i);
        spec.strSymbol = "S" + std::to_string(i);
        spec.nFieldCount = 2 + i % 6;
        builder.Security(spec);
        std::vector<std::vector<float>> bars(static_cast<std::size_t>(i % 5),
                                             std::vector<float>{991231.0f, 1, 2, 3, 4, 5, 6});
        WriteFile(m_db / ("F" + std::to_string(i) + ".DAT"), MakeDataFileBytes(spec.nFieldCount, bars));
    }
    builder.Write(m_db / "MASTER");
    const SRun run = List();
    EXPECT_EQ(run.nStatus, 0) << run.strErr;
    const auto lines = Lines(run.strOut);
    ASSERT_EQ(lines.size(), 256u);
    EXPECT_EQ(lines[255], "255\t255\tsecurity\tS255\tALPHA CORP\t5\t1999-01-04\t1999-12-31\t0");
    EXPECT_EQ(Lines(Dump("s254").strOut).size(), 5u);
}

TEST_F(ListDump, UsageAndHelp) {
    SRun run = Cli("--help");
    EXPECT_EQ(run.nStatus, 0);
    for (const char* pszCommand : {"pelmar-cli list DIR", "pelmar-cli dump DIR SYMBOL", "convert"}) {
        EXPECT_TRUE(Contains(run.strOut, pszCommand)) << pszCommand;
    }
    run = Cli("list --help");
    EXPECT_EQ(run.nStatus, 0);
    EXPECT_TRUE(Contains(run.strOut, "pelmar-cli list DIR"));
    run = Cli("dump --help");
    EXPECT_EQ(run.nStatus, 0);
    EXPECT_TRUE(Contains(run.strOut, "pelmar-cli dump DIR SYMBOL"));
    EXPECT_TRUE(Contains(run.strOut, "Date,Open,High,Low,Close,Volume,OpenInterest"));

    run = Cli("list");
    EXPECT_EQ(run.nStatus, 2);
    EXPECT_EQ(run.strOut, "");
    EXPECT_TRUE(Contains(run.strErr, "expected one directory"));
    EXPECT_EQ(Cli("list a b").nStatus, 2);
    run = Cli("dump " + Quote(m_db.string()));
    EXPECT_EQ(run.nStatus, 2);
    EXPECT_TRUE(Contains(run.strErr, "expected a directory and a symbol"));
    EXPECT_EQ(Cli("bogus").nStatus, 2);
}

TEST_F(ListDump, NeitherCommandWritesAFile) {
    CMasterBuilder().Security({}).Write(m_db / "MASTER");
    WriteAlpha();
    const auto before = ListDirectory(m_db);
    const std::string master = ReadFile(m_db / "MASTER");
    List();
    Dump("ABC");
    EXPECT_EQ(ListDirectory(m_db), before);
    EXPECT_EQ(ReadFile(m_db / "MASTER"), master);
}
