// Layout detection on small files, one per family of price file: the exact settings it must
// give, which the strict reader must then read without a bad line; files it cannot decide must
// say so, and files that are no price files must be refused with the reason.
#include "engine/LayoutDetector.h"

#include "engine/BarReader.h"
#include "engine/JobSettings.h"
#include "engine/Wording.h"
#include "tests/engine/ReaderTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct SFamily {
    const char* pszName;
    std::string text;
    const char* pszOptions;
    std::size_t nBars;
};

struct SDoubtCase {
    const char* pszName;
    std::string text;
    EDetectChoice choice;
    EConfidence confidence;
    const char* pszDoubt;   // a part of the doubt's sentence
    const char* pszOptions; // the settings chosen all the same; nullptr: not checked
};

constexpr const char* kOhlcv = "--open-col 2 --high-col 3 --low-col 4 --close-col 5 --volume-col 6";

std::string Options(const char* pszHead, const char* pszTail = " --no-oi") {
    return std::string(pszHead) + " --date-col 1 " + kOhlcv + pszTail;
}

} // namespace

TEST(LayoutDetector, EachFamilyGivesItsSettingsAndReadsWithoutBadLines) {
    const std::string ddmm = Options("--delimiter comma --date-format DD_MM_CCYY --skip-rows 1");
    const SFamily families[] = {
        {"spreadsheet download",
         "Date,Open,High,Low,Close,Adj Close,Volume\n"
         "2023-01-03,91.62,92.10,90.50,91.00,89.95,1234500\n"
         "2023-01-04,91.00,93.20,90.80,92.75,91.68,2345600\n"
         "2023-01-05,92.75,93.00,91.10,91.40,90.34,1999000\n",
         "--delimiter comma --date-format CCYY_MM_DD --skip-rows 1 --date-col 1 --open-col 2 --high-col 3 "
         "--low-col 4 --close-col 5 --volume-col 7 --no-oi",
         3},
        {"bracketed headers",
         "<TICKER>,<PER>,<DTYYYYMMDD>,<TIME>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>,<OPENINT>\r\n"
         "ACME,D,20230103,000000,91.62,92.1,90.5,91,1234500,0\r\n"
         "ACME,D,20230104,000000,91,93.2,90.8,92.75,2345600,0\r\n",
         "--delimiter comma --date-format CCYYMMDD --skip-rows 1 --date-col 3 --open-col 5 --high-col 6 "
         "--low-col 7 --close-col 8 --volume-col 9 --oi-col 10",
         2},
        {"European, Windows-1252 names",
         "Datum;Er\xF6" "ffnung;Hoch;Tief;Schluss;Volumen\r\n"
         "12.01.2023;91,62;92,10;90,50;91,00;1234500\r\n"
         "13.01.2023;91,00;93,20;90,80;92,75;2345600\r\n",
         "--delimiter semicolon --decimal-comma --date-format DD_MM_CCYY --skip-rows 1 --date-col 1 --open-col 2 "
         "--high-col 3 --low-col 4 --close-col 5 --volume-col 6 --no-oi",
         2},
        {"tabs, 8-digit dates, no header",
         "20230103\t91.62\t92.1\t90.5\t91\t1234500\n"
         "20230104\t91\t93.2\t90.8\t92.75\t2345600\n"
         "20230105\t92.75\t93\t91.1\t91.4\t1999000\n",
         "--delimiter tab --date-format CCYYMMDD --date-col 1 --open-col 2 --high-col 3 --low-col 4 --close-col 5 "
         "--volume-col 6 --no-oi",
         3},
        {"fixed width, two-word name",
         "   Date        Open    High     Low   Close    Volume  Open Interest\n"
         "2023/01/03    91.62   92.10   90.50   91.00   1234500           4500\n"
         "2023/01/04    91.00   93.20   90.80   92.75   2345600           4650\n",
         "--delimiter space --date-format CCYY_MM_DD --skip-rows 1 --date-col 1 --open-col 2 --high-col 3 "
         "--low-col 4 --close-col 5 --volume-col 6 --oi-col 7",
         2},
        {"newest first, two-digit years, blanks after commas",
         "Date, Open, High, Low, Close, Volume\n"
         "01/13/23, 91.00, 93.20, 90.80, 92.75, 2345600\n"
         "01/12/23, 91.62, 92.10, 90.50, 91.00, 1234500\n"
         "01/11/23, 92.75, 93.00, 91.10, 91.40, 1999000\n",
         "--delimiter comma --date-format MM_DD_YY --skip-rows 1 --date-col 1 --open-col 2 --high-col 3 --low-col 4 "
         "--close-col 5 --volume-col 6 --no-oi --reverse",
         3},
        {"DD/MM proven by a day above 12",
         "Date,Open,High,Low,Close,Volume\n09/01/2023,5.5,5.6,5.4,5.5,100\n10/01/2023,5.5,5.7,5.4,5.6,200\n"
         "13/01/2023,5.6,5.8,5.5,5.7,300\n",
         ddmm.c_str(), 3},
        {"MM/DD proven by a second group above 12",
         "Date,Open,High,Low,Close,Volume\n1/9/2023,5.5,5.6,5.4,5.5,100\n1/10/2023,5.5,5.7,5.4,5.6,200\n"
         "1/13/2023,5.6,5.8,5.5,5.7,300\n",
         nullptr, 3},
        {"quoted, with a title block",
         "\"ACME Corp. daily prices\"\n\n\"Date\",\"Open\",\"High\",\"Low\",\"Close\",\"Volume\"\n"
         "\"2023-01-03\",\"91.62\",\"92.10\",\"90.50\",\"91.00\",\"1234500\"\n"
         "\"2023-01-04\",\"91.00\",\"93.20\",\"90.80\",\"92.75\",\"2345600\"\n",
         nullptr, 2},
        {"no header: the fields by their values",
         "2023-01-03,91.62,92.10,90.50,91.00,1234500\n2023-01-04,91.00,93.20,90.80,92.75,2345600\n"
         "2023-01-05,92.75,93.00,91.10,91.40,1999000\n",
         nullptr, 3},
        {"a volume of zeros beside a tick volume",
         "<DATE>\t<TIME>\t<OPEN>\t<HIGH>\t<LOW>\t<CLOSE>\t<TICKVOL>\t<VOL>\t<SPREAD>\n"
         "2023.01.03\t00:00:00\t1.0832\t1.0901\t1.0790\t1.0855\t51234\t0\t12\n"
         "2023.01.04\t00:00:00\t1.0855\t1.0870\t1.0801\t1.0822\t49876\t0\t11\n",
         "--delimiter tab --date-format CCYY_MM_DD --skip-rows 1 --date-col 1 --open-col 3 --high-col 4 --low-col 5 "
         "--close-col 6 --volume-col 7 --no-oi",
         2},
        {"a row number before the date",
         "0,2023-01-03,91.5,92,91,91.7,1000\n1,2023-01-04,91.5,92,91,91.7,1200\n2,2023-01-05,91.5,92,91,91.6,1100\n",
         "--delimiter comma --date-format CCYY_MM_DD --date-col 2 --open-col 3 --high-col 4 --low-col 5 --close-col 6 "
         "--volume-col 7 --no-oi",
         3},
        {"European, prices with three digits after the comma",
         "02.01.2020;88,435;88,971;85,548;85,661;918691\n03.01.2020;85,661;86,100;84,900;85,950;712004\n"
         "14.01.2020;85,950;87,012;85,500;86,800;650333\n",
         "--delimiter semicolon --decimal-comma --date-format DD_MM_CCYY --date-col 1 --open-col 2 --high-col 3 "
         "--low-col 4 --close-col 5 --volume-col 6 --no-oi",
         3},
        {"a broker's export with currency signs and Close/Last first",
         "Date,Close/Last,Volume,Open,High,Low\n01/13/2023,$126.36,89113630,$127.13,$128.66,$125.08\n"
         "01/12/2023,$125.07,112117500,$130.28,$130.90,$124.17\n",
         "--delimiter comma --date-format MM_DD_CCYY --skip-rows 1 --date-col 1 --open-col 4 --high-col 5 "
         "--low-col 6 --close-col 2 --volume-col 3 --no-oi --currency $ --reverse",
         2},
        {"daily dates with a time of day and a zone",
         "Date,Open,High,Low,Close,Volume\n2023-01-03T00:00:00-05:00,1,2,0.5,1.5,10\n"
         "2023-01-04T00:00:00-05:00,1,2,0.5,1.5,20\n",
         "--delimiter comma --date-format CCYY_MM_DD --date-time --skip-rows 1 --date-col 1 --open-col 2 --high-col 3 "
         "--low-col 4 --close-col 5 --volume-col 6 --no-oi",
         2},
        {"5-minute bars, a time column",
         "Date,Time,Open,High,Low,Close,Volume\n2023-09-01,09:30,1,2,0.5,1.5,10\n2023-09-01,09:35,1,2,0.5,1.5,20\n"
         "2023-09-01,09:40,1,2,0.5,1.5,20\n2023-09-04,09:30,1,2,0.5,1.5,20\n",
         "--delimiter comma --date-format CCYY_MM_DD --skip-rows 1 --date-col 1 --open-col 3 --high-col 4 --low-col 5 "
         "--close-col 6 --volume-col 7 --no-oi --time-col 2 --interval 5",
         4},
        {"1-minute bars, date and time in one field",
         "2023-09-01 09:30:00,1,2,0.5,1.5,10\n2023-09-01 09:31:00,1,2,0.5,1.5,20\n2023-09-01 09:32:00,1,2,0.5,1.5,20\n",
         "--delimiter comma --date-format CCYY_MM_DD --date-time --date-col 1 --open-col 2 --high-col 3 --low-col 4 "
         "--close-col 5 --volume-col 6 --no-oi --interval 1",
         3},
        {"weekly bars", "2023-01-06,1.5\n2023-01-13,1.6\n2023-01-20,1.7\n2023-01-27,1.8\n",
         "--delimiter comma --date-format CCYY_MM_DD --date-col 1 --no-open --no-high --no-low --close-col 2 --no-volume "
         "--no-oi --period W",
         4},
        {"monthly bars", "2023-01-31,1.5\n2023-02-28,1.6\n2023-03-31,1.7\n2023-04-28,1.8\n",
         "--delimiter comma --date-format CCYY_MM_DD --date-col 1 --no-open --no-high --no-low --close-col 2 --no-volume "
         "--no-oi --period M",
         4},
        {"close and volume only",
         "date;close;vol\n20230103;1500.5;1200\n20230104;1510;1300\n",
         "--delimiter semicolon --date-format CCYYMMDD --skip-rows 1 --date-col 1 --no-open --no-high --no-low "
         "--close-col 2 --volume-col 3 --no-oi",
         2},
    };
    const std::string mmdd = Options("--delimiter comma --date-format MM_DD_CCYY --skip-rows 1");
    const std::string quoted = Options("--delimiter comma --date-format CCYY_MM_DD --skip-rows 3");
    const std::string values = Options("--delimiter comma --date-format CCYY_MM_DD");
    const char* const pszDefaults[] = {mmdd.c_str(), quoted.c_str(), values.c_str()};
    std::size_t nDefault = 0;
    for (const SFamily& family : families) {
        const SLayoutDetection found = CLayoutDetector(CommandLineWording()).Detect(family.text);
        ASSERT_FALSE(found.failure) << family.pszName << ": " << *found.failure;
        const char* pszOptions = family.pszOptions ? family.pszOptions : pszDefaults[nDefault++];
        EXPECT_EQ(ConvertOptionsText(found.layout), pszOptions) << family.pszName;
        EXPECT_TRUE(found.AllCertain()) << family.pszName << ": " << (found.doubts.empty() ? "" : found.doubts[0].strText);
        const SReadResult read = Reader(found.layout).ReadText(family.text);
        EXPECT_TRUE(read.Ok()) << family.pszName << ": " << read.Message();
        EXPECT_EQ(read.nBadLines, 0u) << family.pszName;
        EXPECT_EQ(read.series.empty() ? 0 : read.series[0].bars.size(), family.nBars) << family.pszName;
    }
}

TEST(LayoutDetector, WhatCannotBeDecidedIsSaidNotGuessedSilently) {
    const SDoubtCase cases[] = {
        {"all days 12 or less",
         "Date,Open,High,Low,Close\n01/02/2023,5.5,5.6,5.4,5.5\n01/03/2023,5.5,5.7,5.4,5.6\n"
         "01/04/2023,5.6,5.8,5.5,5.7\n",
         EDetectChoice::DateFormat, EConfidence::Unsure, "DD/MM or MM/DD cannot be told apart; MM_DD_CCYY was chosen",
         "--delimiter comma --date-format MM_DD_CCYY --skip-rows 1 --date-col 1 --open-col 2 --high-col 3 "
         "--low-col 4 --close-col 5 --no-volume --no-oi"},
        {"all days 12 or less, dotted: trading days decide the guess",
         "02.01.2023;5,5;5,6;5,4;5,5\n03.01.2023;5,5;5,7;5,4;5,6\n04.01.2023;5,6;5,8;5,5;5,7\n",
         EDetectChoice::DateFormat, EConfidence::Unsure,
         "DD_MM_CCYY was chosen, as the other layout puts dates on weekends",
         nullptr},
        {"six digits within one month",
         "230103,91.5,92,91,91.5\n230104,91.5,92,91,91.7\n230105,91.5,92,91,91.6\n", EDetectChoice::DateFormat,
         EConfidence::Unsure, "read alike as YYMMDD and DDMMYY; YYMMDD was chosen", nullptr},
        {"no header, two columns of prices",
         "2023-01-03,91.5,92.0,1200\n2023-01-04,91.7,91.9,1300\n", EDetectChoice::Close, EConfidence::Unsure,
         "column 3 holds prices too",
         "--delimiter comma --date-format CCYY_MM_DD --date-col 1 --no-open --no-high --no-low --close-col 2 "
         "--volume-col 4 --no-oi"},
        {"no header, an adjusted close beside the prices",
         "2023-01-03,91.62,92.10,90.50,91.00,89.95,1234500\n2023-01-04,91.00,93.20,90.80,92.75,91.68,2345600\n",
         EDetectChoice::Close, EConfidence::Unsure, "column 6 holds prices too",
         "--delimiter comma --date-format CCYY_MM_DD --date-col 1 --open-col 2 --high-col 3 --low-col 4 "
         "--close-col 5 --volume-col 7 --no-oi"},
        {"no header, high and low first",
         "2023-01-03,92.10,90.50,91.62,91.00\n2023-01-04,93.20,90.80,91.00,92.75\n", EDetectChoice::Close,
         EConfidence::Unsure, "the open and the close cannot be told apart", nullptr},
        {"no header, a second count after the volume",
         "20230103\t91.62\t92.1\t90.5\t91\t1234500\t4500\n20230104\t91\t93.2\t90.8\t92.75\t2345600\t4650\n",
         EDetectChoice::OpenInterest, EConfidence::Unsure, "it may be another count", nullptr},
        {"two columns of dates", "2023-01-03,2023-03-17,91.5\n2023-01-04,2023-03-17,91.7\n",
         EDetectChoice::DateColumn, EConfidence::Likely, "Columns 1 and 2 hold dates", nullptr},
        {"dates out of order",
         "2023-01-03,1.5\n2023-01-05,1.5\n2023-01-04,1.5\n2023-01-06,1.5\n", EDetectChoice::Order, EConfidence::Likely,
         "rise in 2 and fall in 1", nullptr},
        {"a bad line", "Date,Close,Volume\n2023-01-03,1.5,100\n2023-01-04,N/A,100\n2023-01-05,1.6,100\n",
         EDetectChoice::Reading, EConfidence::Unsure, "1 of the 4 lines read does not read with this layout (line 3",
         nullptr},
        // A mistyped date on the first data line is no second header row but the first bad line.
        {"a bad date on the first data line",
         "Date,Open,High,Low,Close\n2021-02-30,1,2,0.5,1.5\n2021-03-01,1,2,0.5,1.5\n2021-03-02,1,2,0.5,1.5\n",
         EDetectChoice::Reading, EConfidence::Unsure, "(line 2: \"2021-02-30\" in the Date column (1) is not a "
         "CCYY_MM_DD date: there is no day 30 in February 2021)",
         "--delimiter comma --date-format CCYY_MM_DD --skip-rows 1 --date-col 1 --open-col 2 --high-col 3 "
         "--low-col 4 --close-col 5 --no-volume --no-oi"},
        {"a date before 1900 on the first data line",
         "Date,Close\n1899-12-29,1.5\n2021-03-01,1.5\n2021-03-02,1.6\n", EDetectChoice::Reading,
         EConfidence::Unsure, "(line 2: \"1899-12-29\" in the Date column (1)", nullptr},
        {"several bars a day without a time", "Date,Close\n2023-01-03,1.5\n2023-01-03,1.6\n2023-01-04,1.7\n",
         EDetectChoice::Reading, EConfidence::Unsure, "1 line has the date of the line before", nullptr},
        // The decimal mark that nothing in the file tells: a doubt, the point chosen.
        {"a mark that reads both ways", "2023-01-03\t1,234\t1,250\t1,200\t1,240\n2023-01-04\t1,240\t1,260\t1,230\t1,250\n",
         EDetectChoice::DecimalMark, EConfidence::Unsure, "nothing else in the file tells which it uses", nullptr},
        {"intraday steps that do not tell the interval",
         "Date,Time,Close\n2023-01-03,09:30,1.5\n2023-01-03,09:31,1.6\n2023-01-03,09:36,1.7\n2023-01-03,09:50,1.7\n",
         EDetectChoice::Period, EConfidence::Unsure, "apart by different steps", nullptr},
        {"times that vary with one bar a day", "Date,Time,Close\n2023-01-03,16:00,1.5\n2023-01-04,13:00,1.6\n",
         EDetectChoice::Time, EConfidence::Likely, "each day has one bar",
         "--delimiter comma --date-format CCYY_MM_DD --skip-rows 1 --date-col 1 --no-open --no-high --no-low "
         "--close-col 3 --no-volume --no-oi"},
        {"two columns name the volume", "Datum;Schluss;St\xFC" "cke;Volumen\n03.01.2023;1,5;100;150\n",
         EDetectChoice::Volume, EConfidence::Likely, "column 3 (\"St\xC3\xBC" "cke\") was chosen", nullptr},
        {"a row of nulls, no header", "2023-01-03,5.5,5.6,5.4,5.5,100\n2023-01-04,null,null,null,null,null\n"
         "2023-01-05,5.5,5.7,5.4,5.6,200\n", EDetectChoice::Reading, EConfidence::Unsure, "line 2: \"null\"",
         "--delimiter comma --date-format CCYY_MM_DD --date-col 1 --open-col 2 --high-col 3 --low-col 4 "
         "--close-col 5 --volume-col 6 --no-oi"},
        {"a volume in fractions",
         "2023-01-03,16500,16600,16400,16550,20.79\n2023-01-04,16550,16650,16450,16600,78.61\n",
         EDetectChoice::Volume, EConfidence::Likely, "Column 6 was taken as the volume, though it holds fractions",
         nullptr},
        {"symbols in a column", "Ticker,Date,Close\nA,2023-01-03,1.5\nB,2023-01-03,2.5\nA,2023-01-04,1.6\n",
         EDetectChoice::Reading, EConfidence::Likely, "taken as the symbol column",
         "--delimiter comma --date-format CCYY_MM_DD --skip-rows 1 --date-col 2 --no-open --no-high --no-low "
         "--close-col 3 --no-volume --no-oi --symbol-col 1"},
    };
    for (const SDoubtCase& test : cases) {
        const SLayoutDetection found = CLayoutDetector(CommandLineWording()).Detect(test.text);
        ASSERT_FALSE(found.failure) << test.pszName << ": " << *found.failure;
        EXPECT_EQ(found.Confidence(test.choice), test.confidence) << test.pszName;
        EXPECT_FALSE(found.AllCertain()) << test.pszName;
        bool bSaid = false;
        for (const SDoubt& doubt : found.doubts) {
            bSaid = bSaid || (doubt.IsAbout(test.choice) && doubt.strText.find(test.pszDoubt) != std::string::npos);
        }
        EXPECT_TRUE(bSaid) << test.pszName << ": " << (found.doubts.empty() ? "" : found.doubts.front().strText);
        if (test.confidence == EConfidence::Unsure) {
            EXPECT_FALSE(found.Runnable()) << test.pszName;
        }
        if (test.pszOptions) {
            EXPECT_EQ(ConvertOptionsText(found.layout), test.pszOptions) << test.pszName;
        }
    }
}

TEST(LayoutDetector, RefusesWhatHoldsNoPrices) {
    std::string titles(201, '\n');
    std::string wide = "2023-01-03";
    for (int i = 0; i < 20; ++i) {
        wide += ",x";
    }
    const struct {
        std::string text;
        const char* pszReason;
    } cases[] = {
        {"", "The file is empty."},
        {" \n\t\n", "only blank lines"},
        {"\xFF\xFE" "D\0a\0", "UTF-16"},
        {std::string("Date,Close\n2023-01-03,1\0.5\n", 26), "line 2 holds a NUL byte"},
        {"a,b,c\n1,2,3\n4,5,6\n", "No column holds dates"},
        {"Date,Name\n2023-01-03,ACME\n", "No column holds prices next to the dates in column 1 (\"Date\")"},
        {"Title\n" + titles.replace(199, 1, "x\n") + "2023-01-03,1.5\n", "The first date is on line 203"},
        {wide + ",1.5\n", "The close is in column 22; columns 1 to 20 can be read."},
    };
    for (const auto& test : cases) {
        const SLayoutDetection found = CLayoutDetector(CommandLineWording()).Detect(test.text);
        ASSERT_TRUE(found.failure) << test.pszReason;
        EXPECT_NE(found.failure->find(test.pszReason), std::string::npos) << *found.failure;
        EXPECT_FALSE(found.AllCertain());
    }
}

TEST(LayoutDetector, ReadsOnlyTheFirstLinesOfAFile) {
    const std::string good = "Date,Close\n2023-01-03,1.5\n2023-01-04,1.6\n";
    // What lies past the lines read is never looked at.
    CMadeFileSystem past(std::make_unique<CMadeFile>(0, ' ', good + std::string("\0\0", 2) + "2023-01-02,x\n"));
    const SLayoutDetection found = CLayoutDetector(CommandLineWording(), 3).DetectFile(past, "prices.csv");
    EXPECT_TRUE(found.AllCertain()) << (found.failure ? *found.failure : found.doubts.front().strText);
    EXPECT_EQ(found.nLinesRead, 3u);
    EXPECT_EQ(found.columnNames, (std::vector<std::string>{"Date", "Close"}));

    CMadeFileSystem failing(std::make_unique<CMadeFile>(0, ' ', good, 20));
    const SLayoutDetection broken = CLayoutDetector(CommandLineWording()).DetectFile(failing, "prices.csv");
    ASSERT_TRUE(broken.failure);
    EXPECT_NE(broken.failure->find("could not be read"), std::string::npos) << *broken.failure;

    CMadeFileSystem missing(nullptr);
    const SLayoutDetection none = CLayoutDetector(CommandLineWording()).DetectFile(missing, "prices.csv");
    ASSERT_TRUE(none.failure);
    EXPECT_NE(none.failure->find("cannot be opened: prices.csv"), std::string::npos);
}

// The stored settings and the layout are one mapping each way: what the dialog shows is what
// the conversion reads.
TEST(LayoutDetector, SettingsAndLayoutMapOneToOne) {
    SImportSettings settings;
    settings.strDateFormat = "DDMMYY";
    settings.nDelimiter = static_cast<long long>(EDelimiter::Space);
    settings.bSkipOn = 1;
    settings.nRowsToSkip = 3;
    settings.nSymbolCol = 8;
    settings.bOpenOn = 0;
    settings.bReverseOrder = 1;
    settings.nTimeCol = 9;
    settings.nPeriod = static_cast<long long>(EStoredPeriod::Intraday);
    settings.nInterval = 15;
    settings.strCurrency = "\xE2\x82\xAC"; // the euro sign, UTF-8
    const SInputLayout layout = LayoutOf(settings);
    EXPECT_EQ(ConvertOptionsText(layout),
              "--delimiter space --date-format DDMMYY --skip-rows 3 --date-col 1 --no-open --high-col 3 --low-col 4 "
              "--close-col 5 --volume-col 6 --oi-col 7 --time-col 9 --symbol-col 8 --currency \xE2\x82\xAC --interval 15 "
              "--reverse");
    SImportSettings back;
    PutLayout(back, layout);
    EXPECT_EQ(LayoutOf(back), layout);
    EXPECT_EQ(back.nOpenCol, 2); // a field the file lacks keeps its column
    EXPECT_EQ(back.strCurrency, settings.strCurrency);
    // Skipping nothing is no row to skip; a date format none of the list reads as the default.
    settings.nRowsToSkip = 0;
    settings.strDateFormat = "XX";
    EXPECT_EQ(LayoutOf(settings).nSkipRows, 0);
    EXPECT_EQ(LayoutOf(settings).dateFormat, EDateFormat::MMDDYY);
}
