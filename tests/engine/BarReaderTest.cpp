// The strict reader on whole files: a table of bad files, each with the line and the reason it
// must report, and a table of good files with the exact bars they must give.
#include "engine/BarReader.h"
#include "tests/engine/ReaderTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

namespace {

const std::string kGood = "2023-01-02,1,2,0.5,1.5,100\n";

std::string Line(const char* pszDate, const char* pszRest = "1,2,0.5,1.5,100") {
    return std::string(pszDate) + "," + pszRest + "\n";
}

// nDays lines of consecutive days from 1900-01-01 under CCYYMMDD, each led by symbol when given.
std::string Days(int nDays, const std::string& strSymbol = "") {
    std::string text;
    std::chrono::sys_days day = std::chrono::year{1900} / 1 / 1;
    for (int i = 0; i < nDays; ++i, day += std::chrono::days{1}) {
        const std::chrono::year_month_day ymd{day};
        char line[64];
        std::snprintf(line, sizeof line, "%s%d%02u%02u,1.5\n", strSymbol.c_str(), static_cast<int>(ymd.year()),
                      static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
        text += line;
    }
    return text;
}

struct SBadCase {
    std::string text;
    SInputLayout layout;
    std::uint64_t nLine; // the first bad line; 0 when the file fails as a whole
    const char* pszReason;
    bool bSkipBadLines = false;
};

struct SExpectedBar {
    const char* pszSymbol;
    std::int32_t nDate;
    std::array<float, kFieldCount> values;
    std::uint64_t nLine;
};

struct SGoodCase {
    std::string text;
    SInputLayout layout;
    std::vector<SExpectedBar> bars;
    std::uint64_t nBadLines = 0;
    bool bSkipBadLines = false;
    std::vector<std::int32_t> times = {}; // of the bars, when they have one
};

void ExpectBars(const SReadResult& result, const std::vector<SExpectedBar>& expected, const std::string& where,
                const std::vector<std::int32_t>& times = {}) {
    std::size_t nAt = 0;
    for (const SSeries& series : result.series) {
        EXPECT_FALSE(series.bars.empty()) << where;
        for (const SBar& bar : series.bars) {
            ASSERT_LT(nAt, expected.size()) << where;
            const SExpectedBar& want = expected[nAt++];
            EXPECT_EQ(series.strSymbol, want.pszSymbol) << where;
            EXPECT_EQ(bar.nDate, want.nDate) << where;
            EXPECT_EQ(bar.nLine, want.nLine) << where;
            EXPECT_EQ(bar.nTime, times.empty() ? 0 : times[nAt - 1]) << where << " time of line " << bar.nLine;
            for (int f = 1; f < kFieldCount; ++f) {
                EXPECT_EQ(bar.values[f], want.values[f]) << where << " field " << f << " of line " << bar.nLine;
            }
        }
    }
    EXPECT_EQ(nAt, expected.size()) << where;
}

} // namespace

TEST(BarReader, BadFilesFailNamingTheLineAndTheReason) {
    const std::string falling = Line("2023-01-04") + Line("2023-01-03") + Line("2023-01-02");
    const std::string rising = Line("2023-01-02") + Line("2023-01-03") + Line("2023-01-04");
    const SBadCase cases[] = {
        {kGood + Line("2023-01-03", "1,2,0.5,1.5,N/A"), Layout(), 2,
         "The file has 1 bad line:\nline 2: \"N/A\" in the Volume column (6) is not a number"},
        {kGood + Line("2023-01-03", "1,2,0.5,1.5,null"), Layout(), 2, "\"null\" in the Volume column (6) is not a number"},
        {kGood + Line("2023-01-03", "1,,0.5,1.5,100"), Layout(), 2, "line 2: the High column (3) is empty"},
        {kGood + "2023-01-31,91.62,91.78\n", Layout(), 2, "line 2: there is no Low column (4): the line has 3 columns"},
        {kGood, Layout("DOHLCVI"), 1, "there is no Open interest column (7): the line has 6 columns"},
        {Line("2023-01-03", "12.5x,2,0.5,1.5,100"), Layout(), 1, "\"12.5x\" in the Open column (2) is not a number"},
        {Line("2023-01-03", "\"1,23.5\",2,0.5,1.5,100"), Layout(), 1,
         "\"1,23.5\" in the Open column (2) is not a number (the decimal mark is the point)"},
        {"2023-01-03;1,5;2;1;1;1\n", Layout("DOHLCV", "semi"), 1, "(the decimal mark is the point)"},
        {"03.01.2023;1.5;2;1;1;1\n", Layout("DOHLCV", "semi dc f6"), 1,
         "\"1.5\" in the Open column (2) is not a number (the decimal mark is the comma)"},
        {Line("2023-01-03", "1,2,0.5,1.5,1e39"), Layout(), 1, "\"1e39\" in the Volume column (6) is too large for a MetaStock number"},
        {Line("2023-01-03", "1,2,0.5,1.5,-1.7015e38"), Layout(), 1, "too large"},
        {Line("2023-01-03", "1,2,0.5,1.5,1e-39"), Layout(), 1, "is too small for a MetaStock number"},
        {Line("2023-01-03", "1,2,0.5,1.5,1e-999"), Layout(), 1, "is too small"},
        {Line("2023-01-03", "1,2,0.5,1.5,inf"), Layout(), 1, "not a number"},
        {Line("2023-01-03", "1,2,0.5,1.5,0x10"), Layout(), 1, "not a number"},
        {Line("2023-01-03", "1,2,0.5,1.5,1 000"), Layout(), 1, "not a number"},
        {Line("2023-01-03", "1,2,0.5,1.5,1e"), Layout(), 1, "not a number"},
        {Line("2023-01-03", "1,2,0.5,1.5,."), Layout(), 1, "not a number"},
        {Line("01/03/2023"), Layout("DOHLCV", "f3"), 1,
         "line 1: \"01/03/2023\" in the Date column (1) is not a MM_DD_YY date: the year has 4 digits, the layout 2"},
        {Line("01/03/23"), Layout("DOHLCV", "f4"), 1, "is not a MM_DD_CCYY date: the year has 2 digits, the layout 4"},
        {Line("02/30/2023"), Layout("DOHLCV", "f4"), 1, "there is no day 30 in February 2023"},
        {Line("2023-01-03"), Layout("DOHLCV", "f9"), 1,
         "line 1: \"2023-01-03\" in the Date column (1): You specified a numeric-only date format but a non-numeric "
         "date character was found."},
        {Line("20230103"), Layout(), 1,
         "\"20230103\" in the Date column (1): You specified a character-separated date format but only numeric date "
         "characters were found."},
        {Line("2023-01-04") + Line("2023-01-03") + Line("2023-01-05"), Layout(), 2,
         "line 2: the date 2023-01-03 is not later than 2023-01-04 of line 1"},
        {Line("2023-01-04") + Line("2023-01-04"), Layout(), 2, "line 2: the date 2023-01-04 is not later than"},
        // A volume of 1,234,567 without quotes comes apart into three columns.
        {Line("2023-01-02") + Line("2023-01-03", "1,2,0.5,1.5,1,234,567"), Layout(), 2,
         "line 2: the line has 8 columns, the lines before it 6 (a number with a thousands separator and no quotes?)"},
        // One mistyped year: that line is the bad one, not the good lines after it.
        {Line("2023-01-02") + Line("2032-01-03") + Line("2023-01-04") + Line("2023-01-05"), Layout(), 2,
         "line 2: the date 2032-01-03 is not earlier than 2023-01-04 of line 3"},
        {Line("2023-01-05") + Line("2023-01-06") + Line("2023-01-04"), Layout("DOHLCV", "rev"), 1,
         "line 1: the date 2023-01-05 is not later than 2023-01-06 of line 2"},
        {falling, Layout(), 0,
         "The dates fall from line 1 to line 3: the file runs newest first. Set --reverse to read it."},
        {rising, Layout("DOHLCV", "rev"), 0, "the file runs oldest first, but --reverse is set"},
        {"Date,Open,High,Low,Close,Volume\n" + kGood, Layout(), 1, "line 1: \"Date\" in the Date column (1) is not a "
         "CCYY_MM_DD date: it is not three groups of digits with one character between them (is it a header? Set --skip-rows)"},
        {Line("2023-01-03", "\"1.5,2,0.5,1.5,100"), Layout(), 1, "line 1: the quote that opens column 2 is not closed"},
        {Line("2023-01-03", "\"1.5\"x,2,0.5,1.5,100"), Layout(), 1, "column 2 has text after its closing quote"},
        {kGood + std::string("2023-01-03,1,2\0,0.5\n", 20), Layout(), 0,
         "The file is not plain text: line 2 holds a NUL byte"},
        {std::string("\xFF\xFE" "2\0" "0", 5), Layout(), 0, "The file is not plain text: it is UTF-16"},
        {std::string("2\0" "0\0" "2\0", 6), Layout(), 0, "line 1 holds a NUL byte"},
        {kGood + Line("2023-01-03", "1,2,0.5,1.5,100\x07"), Layout(), 0, "line 2 holds the control byte 0x07"},
        {kGood + "\x1A" + kGood, Layout(), 0, "line 2 holds a Ctrl-Z (0x1A) before the end of the file"},
        {kGood + std::string(65537, '1') + "\n", Layout(), 2, "line 2: the line is longer than 65,536 bytes"},
        {"", Layout(), 0, "The file is empty."},
        {"Date,Open\n\n  \n", Layout("DOHLCV", "skip1"), 0, "The file has no bars: its 3 lines are all rows to skip or blank."},
        {"N/A\n\nx\n", Layout(), 1, "No bar is left once the bad lines are left out.", true},
        {"A,2023-01-02,1\n,2023-01-03,1\n", Layout("SDC"), 2, "line 2: the Symbol column (1) is empty"},
        {std::string(65, 'S') + ",2023-01-02,1\n", Layout("SDC"), 1, "...\" in the Symbol column (1) is longer than 64 bytes"},
        {Days(65535), Layout("DC", "f8"), 0,
         "The file has 65,535 bars; a security holds at most 65,534. --keep-last keeps the newest of them."},
        {Days(65535, "X,"), Layout("SDC", "f8"), 0, "Symbol X has 65,535 bars"},
        {kGood, Layout("DOHLCV", "dc"), 0, "A decimal comma cannot be read from a comma-separated file"},
        // "0,123" groups nothing: it is 0.123 typed with a decimal comma.
        {Line("2023-01-03", "1,2,0.5,1.5,\"0,123\""), Layout(), 1,
         "\"0,123\" in the Volume column (6) is not a number (the decimal mark is the point)"},
        // Every column is counted, past the 256 a layout may name.
        {kGood + "2023-01-03,1,2,0.5,1.5,100" + std::string(294, ',') + "x\n", Layout(), 2,
         "line 2: the line has 300 columns, the lines before it 6"},
        // A currency the layout does not name, or another one than it names.
        {Line("2023-01-03", "$1,2,0.5,1.5,100"), Layout(), 1, "\"$1\" in the Open column (2) is not a number"},
        {Line("2023-01-03", "\xE2\x82\xAC" "1,2,0.5,1.5,100"), Layout("DOHLCV", "cur$"), 1, "in the Open column (2) is not a number"},
        // Times of day: with the date, in a column, for intraday bars.
        {"2023-01-03 25:00,1.5\n", Layout("DC", "dt"), 1, "\"2023-01-03 25:00\" in the Date column (1): there is no hour 25"},
        {"2023-01-03 09:30:00.5,1.5\n", Layout("DC", "dt i5"), 1, "a fraction of a second"},
        {"2023-01-03,1.5\n", Layout("DC", "dt i5"), 1, "has no time of day, and intraday bars need one"},
        {"2023-01-03,09:30,1.5\n2023-01-03,9h35,1.5\n", Layout("DTC", "i5"), 2,
         "\"9h35\" in the Time column (2): \"9h35\" is not a time of day"},
        {"2023-01-03,09:35,1.5\n2023-01-03,09:30,1.5\n2023-01-03,09:40,1.5\n", Layout("DTC", "i5"), 2,
         "line 2: the bar of 2023-01-03 09:30:00 is not later than 2023-01-03 09:35:00 of line 1"},
        {"2023-01-03,09:30,1.5\n2023-01-03,09:30,1.6\n", Layout("DTC", "i5"), 2, "is not later than"},
        {kGood, Layout("DOHLCV", "i5"), 0, "Intraday bars need a time of day"},
        {"x\nx\nx\nx\nx\nx\nx\n", Layout(), 1,
         "The file has 7 bad lines:\nline 1: \"x\" in the Date column (1) is not a CCYY_MM_DD date: it is not three "
         "groups of digits with one character between them (is it a header? Set --skip-rows)\nline 2:"},
        {"x\nx\nx\nx\nx\nx\nx\n", Layout(), 1, "line 4: \"x\" in the Date column (1) is not a CCYY_MM_DD date: it is "
         "not three groups of digits with one character between them\nline 5: "},
        {"x\nx\nx\nx\nx\nx\nx\n", Layout(), 1, "between them\n... and 2 more."},
    };
    for (const SBadCase& c : cases) {
        const SReadResult result = Reader(c.layout, c.bSkipBadLines).ReadText(c.text);
        const std::string where = "case: " + c.text.substr(0, 60);
        EXPECT_FALSE(result.Ok()) << where;
        EXPECT_TRUE(result.series.empty()) << where;
        EXPECT_NE(result.Message().find(c.pszReason), std::string::npos) << where << "\nmessage: " << result.Message();
        if (c.nLine != 0) {
            ASSERT_FALSE(result.badLines.empty()) << where;
            EXPECT_EQ(result.badLines[0].nLine, c.nLine) << where;
            EXPECT_LE(result.badLines.size(), c.bSkipBadLines ? CBarReader::kMaxListedBadLines : 5u);
        }
    }
}

TEST(BarReader, GoodFilesGiveExactlyTheirBars) {
    const std::array<float, kFieldCount> kUsual{0, 1, 2, 0.5f, 1.5f, 100, 0};
    const std::string strLongest = "2023-01-02,1,2,0.5,1.5,100" + std::string(65536 - 26, ' ') + "\n";
    const SGoodCase cases[] = {
        {"\xEF\xBB\xBF" "2023-01-02,1,2,0.5,1.5,100\r\n2023-01-03,91.62,91.78,90.5,91.5,12345678", Layout(),
         {{"", 1230102, kUsual, 1}, {"", 1230103, {0, 91.62f, 91.78f, 90.5f, 91.5f, 12345678, 0}, 2}}},
        {"\"2023-01-02\",\"91.5\", \" 92 \" ,\"90\",\"91\",\"1e3\",\"say \"\"hi\"\"\"\n", Layout(),
         {{"", 1230102, {0, 91.5f, 92, 90, 91, 1000, 0}, 1}}},
        {"2023-01-02\t 1 \t2\t0.5\t1.5\t100\t\t\n", Layout("DOHLCV", "tab"), {{"", 1230102, kUsual, 1}}},
        {"  2023-01-02   1\t2 0.5   \"1.5\" 100  \n", Layout("DOHLCV", "space"), {{"", 1230102, kUsual, 1}}},
        {"02.01.2023;1,0;2;0,5;1,5;1e2\n", Layout("DOHLCV", "semi dc f6"), {{"", 1230102, kUsual, 1}}},
        {"Date,Open\nunits\n\n" + kGood + "\n   \n" + Line("2023-01-03") + ",,,,,,\n", Layout("DOHLCV", "skip2"),
         {{"", 1230102, kUsual, 4}, {"", 1230103, kUsual, 7}}},
        {Line("2023-01-04") + Line("2023-01-03") + kGood, Layout("DOHLCV", "rev"),
         {{"", 1230102, kUsual, 3}, {"", 1230103, kUsual, 2}, {"", 1230104, kUsual, 1}}},
        {Line("2023-01-02", "+1e3,.5,5.,-2.5E-3,1E+2"), Layout(), {{"", 1230102, {0, 1000, 0.5f, 5, -2.5e-3f, 100, 0}, 1}}},
        {"1.5,x,2023-01-02,100\n", Layout("C.DV"), {{"", 1230102, {0, 0, 0, 0, 1.5f, 100, 0}, 1}}},
        {"B,2023-01-02,1\nA,2023-01-02,2\nB,2023-01-03,3\n A ,2023-01-03,4\n\"A\"\"B\",2023-01-01,5\n", Layout("SDC"),
         {{"B", 1230102, {0, 0, 0, 0, 1, 0, 0}, 1},
          {"B", 1230103, {0, 0, 0, 0, 3, 0, 0}, 3},
          {"A", 1230102, {0, 0, 0, 0, 2, 0, 0}, 2},
          {"A", 1230103, {0, 0, 0, 0, 4, 0, 0}, 4},
          {"A\"B", 1230101, {0, 0, 0, 0, 5, 0, 0}, 5}}},
        {"2023-01-02,1,2,0.5,1.5,100\r2023-01-03,1,2,0.5,1.5,100\r\x1A\x1A", Layout(),
         {{"", 1230102, kUsual, 1}, {"", 1230103, kUsual, 2}}},
        {kGood + Line("2023-01-03", "N/A,2,0.5,1.5,100") + Line("2023-01-01") + Line("2023-01-04"), Layout(),
         {{"", 1230102, kUsual, 1}, {"", 1230104, kUsual, 4}}, 2, true},
        // Prices with the currency the layout names, before or after, blanks between.
        {Line("2023-01-02", "$1,$2,0.5,$ 1.5,100") + Line("2023-01-03", "$1,US$2,0.5,$ 1.5,100"),
         Layout("DOHLCV", "cur$"), {{"", 1230102, kUsual, 1}}, 1, true},
        {Line("2023-01-02", "$1,$2,$0.5,$1.5,100") + Line("2023-01-03", "1 $,2$,0.5 $,1.5$,100"),
         Layout("DOHLCV", "cur$"), {{"", 1230102, kUsual, 1}, {"", 1230103, kUsual, 2}}},
        {"02.01.2023;1,0 EUR;2 EUR;0,5 EUR;1,5 EUR;100\n", Layout("DOHLCV", "semi dc f6 curEUR"),
         {{"", 1230102, kUsual, 1}}},
        // Daily dates with a time of day: the date alone is kept.
        {"2023-01-02 00:00:00,1,2,0.5,1.5,100\n2023-01-03T00:00:00-05:00,1,2,0.5,1.5,100\n", Layout("DOHLCV", "dt"),
         {{"", 1230102, kUsual, 1}, {"", 1230103, kUsual, 2}}},
        {"01/02/2023 4:00 PM,1,2,0.5,1.5,100\n", Layout("DOHLCV", "dt f4"), {{"", 1230102, kUsual, 1}}},
        // Intraday bars: times from the date field or a column of their own, zones dropped.
        {"2023-01-02 09:30,1.5\n2023-01-02T09:35:00Z,1.5\n2023-01-02 9:40 AM,1.5\n2023-01-02 12:05 PM -0500,1.5\n",
         Layout("DC", "dt i5"),
         {{"", 1230102, {0, 0, 0, 0, 1.5f}, 1}, {"", 1230102, {0, 0, 0, 0, 1.5f}, 2},
          {"", 1230102, {0, 0, 0, 0, 1.5f}, 3}, {"", 1230102, {0, 0, 0, 0, 1.5f}, 4}},
         0, false, {93000, 93500, 94000, 120500}},
        {"20230102,093000,1.5\n20230102,0931,1.5\n20230103,93200,1.5\n", Layout("DTC", "f8 i1"),
         {{"", 1230102, {0, 0, 0, 0, 1.5f}, 1}, {"", 1230102, {0, 0, 0, 0, 1.5f}, 2},
          {"", 1230103, {0, 0, 0, 0, 1.5f}, 3}},
         0, false, {93000, 93100, 93200}},
        {Line("12/31/99") + Line("1/3/00"), Layout("DOHLCV", "f3"), {{"", 991231, kUsual, 1}, {"", 1000103, kUsual, 2}}},
        {Line("123199") + Line("010300"), Layout("DOHLCV", "f9"), {{"", 991231, kUsual, 1}, {"", 1000103, kUsual, 2}}},
        {strLongest, Layout(), {{"", 1230102, kUsual, 1}}},
    };
    for (const SGoodCase& c : cases) {
        const SReadResult result = Reader(c.layout, c.bSkipBadLines).ReadText(c.text);
        const std::string where = "case: " + c.text.substr(0, 60);
        EXPECT_TRUE(result.Ok()) << where << "\nmessage: " << result.Message();
        EXPECT_EQ(result.nBadLines, c.nBadLines) << where;
        ExpectBars(result, c.bars, where, c.times);
    }
}

TEST(BarReader, BarLimitsArePerSeries) {
    const SReadResult full = Reader(Layout("DC", "f8")).ReadText(Days(65534));
    ASSERT_TRUE(full.Ok()) << full.Message();
    EXPECT_EQ(full.series[0].bars.size(), 65534u);
    EXPECT_EQ(full.series[0].bars.back().nDate, 1790604);
    // The newest bars kept, whichever way the file runs; the older ones counted as left out.
    const std::string days = Days(65540);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < days.size(); at = days.find('\n', at) + 1) {
        lines.push_back(days.substr(at, days.find('\n', at) + 1 - at));
    }
    std::string newestFirst;
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        newestFirst += *line;
    }
    for (const bool bReverse : {false, true}) {
        SInputLayout layout = Layout("DC", "f8");
        layout.bReverse = bReverse;
        const SReadResult newest = Reader(layout, false, true).ReadText(bReverse ? newestFirst : days);
        ASSERT_TRUE(newest.Ok()) << newest.Message();
        EXPECT_EQ(newest.series[0].bars.size(), 65534u);
        EXPECT_EQ(newest.series[0].nLeftOut, 6u);
        EXPECT_EQ(newest.series[0].bars.front().nDate, 107); // 1900-01-07
        EXPECT_EQ(newest.series[0].bars.back().nLine, bReverse ? 1u : 65540u);
    }
    const SReadResult twoSymbols = Reader(Layout("SDC", "f8")).ReadText(Days(40000, "A,") + Days(40000, "B,"));
    ASSERT_TRUE(twoSymbols.Ok()) << twoSymbols.Message();
    EXPECT_EQ(twoSymbols.series.size(), 2u);
    EXPECT_EQ(twoSymbols.series[1].bars.size(), 40000u);
}

TEST(BarReader, PreviewShowsEachLineAsTheLayoutReadsIt) {
    const std::string text = "Date,Open,High,Low,Close,Volume\n" + Line("2023-01-03") + "\n" +
                             Line("2023-01-04", "1,N/A,0.5,1.5,100") + Line("2023-01-02") + Line("2023-01-05") +
                             std::string("\0", 1);
    const CBarReader reader = Reader(Layout("DOHLCV", "skip1"));
    const std::vector<SLinePreview> rows = reader.Preview(text, 5);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_TRUE(rows[0].bSkipped);
    EXPECT_EQ(rows[0].cells[kFieldDate].strText, "Date");
    EXPECT_FALSE(rows[0].cells[kFieldDate].error);
    EXPECT_EQ(rows[1].cells[kFieldDate].strText, "2023-01-03");
    EXPECT_EQ(rows[1].cells[kFieldClose].strText, "1.5");
    EXPECT_FALSE(rows[1].cells[kFieldClose].error || rows[1].lineError || rows[1].bSkipped);
    EXPECT_TRUE(rows[2].bSkipped);
    EXPECT_EQ(rows[3].cells[kFieldDate].strText, "2023-01-04");
    EXPECT_EQ(rows[3].cells[kFieldHigh].error.value_or(""), "\"N/A\" in the High column (3) is not a number");
    EXPECT_FALSE(rows[3].cells[kFieldLow].error);
    EXPECT_EQ(rows[4].lineError.value_or(""), "the date 2023-01-02 is not later than 2023-01-03 of line 2");
    // The whole file: the same two bad lines, and then the NUL byte of its last line.
    const std::vector<SLinePreview> all = reader.Preview(text, 100);
    ASSERT_EQ(all.size(), 7u);
    EXPECT_NE(all[6].lineError.value_or("").find("line 7 holds a NUL byte"), std::string::npos);
    const SReadResult result = reader.ReadText(text.substr(0, text.size() - 1));
    ASSERT_EQ(result.nBadLines, 2u);
    EXPECT_EQ(result.badLines[0].strText, "N/A");
    EXPECT_EQ(result.badLines[1].strText, "2023-01-02");
    // The values to be written, not the text: one form with the point, whatever the file wrote.
    const std::vector<SLinePreview> values =
        Reader(Layout("DOHLCV", "semi dc f6 cur$")).Preview("02.01.2020;$88,435;88,9710;$85,548;1.085,661;918.691\n", 1);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].cells[kFieldDate].strText, "2020-01-02");
    EXPECT_EQ(values[0].cells[kFieldOpen].strText, "88.435");
    EXPECT_EQ(values[0].cells[kFieldHigh].strText, "88.971");
    EXPECT_EQ(values[0].cells[kFieldClose].strText, "1085.661");
    EXPECT_EQ(values[0].cells[kFieldVolume].strText, "918691");
    const std::vector<SLinePreview> times = Reader(Layout("DC", "dt i5")).Preview("2023-01-02T09:30-05:00,1.5\n", 1);
    EXPECT_EQ(times[0].cells[kFieldDate].strText, "2023-01-02");
    EXPECT_EQ(times[0].time.strText, "09:30:00");
}

// With bad lines left out, every one of them is named with its reason, not only the first few.
TEST(BarReader, LinesLeftOutAreEachNamed) {
    std::string text = kGood;
    for (int i = 0; i < 12; ++i) {
        text += Line("2023-01-03", "1,2,0.5,1.5,N/A");
    }
    text += Line("2023-01-01") + Line("2023-01-04");
    const SReadResult result = Reader(Layout(), true).ReadText(text);
    ASSERT_TRUE(result.Ok()) << result.Message();
    EXPECT_EQ(result.nBadLines, 13u);
    ASSERT_EQ(result.badLines.size(), 13u);
    for (std::size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(result.badLines[i].nLine, i + 2);
        EXPECT_EQ(result.badLines[i].strReason, "\"N/A\" in the Volume column (6) is not a number");
    }
    EXPECT_EQ(result.badLines[12].strReason, "the date 2023-01-01 is not later than 2023-01-02 of line 1");
    EXPECT_EQ(result.series[0].bars.size(), 2u);
}

TEST(BarReader, FilesAreStreamedAndTheirFaultsReported) {
    CTempDir dir;
    const std::string text = "Date,Close\n" + Line("2023-01-03") + Line("2023-01-04");
    ASSERT_TRUE(WriteFile(dir / "prices.csv", text));
    const CBarReader reader = Reader(Layout("DOHLCV", "skip1"));
    const SReadResult fromFile = reader.ReadFile(GetSystemFileSystem(), dir / "prices.csv");
    ASSERT_TRUE(fromFile.Ok()) << fromFile.Message();
    ExpectBars(fromFile, {{"", 1230103, {0, 1, 2, 0.5f, 1.5f, 100, 0}, 2}, {"", 1230104, {0, 1, 2, 0.5f, 1.5f, 100, 0}, 3}}, "file");
    EXPECT_EQ(ReadFile(dir / "prices.csv"), text);
    EXPECT_EQ(reader.PreviewFile(GetSystemFileSystem(), dir / "prices.csv", 2).size(), 2u);

    const SReadResult missing = reader.ReadFile(GetSystemFileSystem(), dir / "none.csv");
    EXPECT_NE(missing.Message().find("The price file cannot be opened: "), std::string::npos);
    // 64 MiB of one line, then a good line: bounded memory, the long line bad, the rest read.
    CMadeFileSystem endless(std::make_unique<CMadeFile>(64u << 20, '7', std::string("\n").append(Line("2023-01-03"))));
    const SReadResult skipped = Reader(Layout(), true).ReadFile(endless, "endless.csv");
    ASSERT_TRUE(skipped.Ok()) << skipped.Message();
    EXPECT_EQ(skipped.nLines, 2u);
    EXPECT_EQ(skipped.nBadLines, 1u);
    CMadeFileSystem failing(std::make_unique<CMadeFile>(0, ' ', kGood + kGood + kGood, kGood.size() + 3));
    const SReadResult broken = reader.ReadFile(failing, "failing.csv");
    EXPECT_EQ(broken.Message(), "The file could not be read to its end (line 2).");
}
