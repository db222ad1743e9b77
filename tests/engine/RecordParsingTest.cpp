#include "tests/engine/JobFixture.h"

#include <clocale>

namespace {

using BarList = std::vector<std::vector<float>>;

class RecordParsing : public JobTest {};

}  // namespace

TEST_F(RecordParsing, EveryFieldLandsInFieldOrder) {
    ASSERT_EQ(Run("01/04/99,10,11,9,10.5,1200,7\r\n01/05/99,10.5,12,10,11.75,900,8\r\n"), 0);
    EXPECT_EQ(Bars(), (BarList{{990104, 10, 11, 9, 10.5f, 1200, 7}, {990105, 10.5f, 12, 10, 11.75f, 900, 8}}));
    EXPECT_TRUE(m_messages.Texts().empty());
}

TEST_F(RecordParsing, EmptyFieldsVanishAndShortLinesInheritEarlierSlots) {
    m_settings.bVolOn = 0;
    m_settings.bOIOn = 0;
    ASSERT_EQ(Run("01/04/99,,10,11\n01/05/99,12\n,,,\n\n01/06/99\n"), 0);
    // The first line's empty field moves 10 and 11 one column left; columns never filled
    // read "123".
    EXPECT_EQ(Bars(1, 5), (BarList{{990104, 10, 11, 123, 123}, {990105, 12, 11, 123, 123},
                                {990106, 12, 11, 123, 123}}));
}

TEST_F(RecordParsing, OnlyTheFirstTwentyTokensCount) {
    m_settings.nOICol = 20;
    m_settings.nVolCol = 19;
    std::string line = "01/04/99";
    for (int i = 2; i <= 25; ++i) {
        line += "," + std::to_string(i);
    }
    ASSERT_EQ(Run(line + "\n01/05/99,1,2,3,4\n"), 0);
    // The second line reaches column 5 only; 19 and 20 keep the first line's tokens.
    EXPECT_EQ(Bars(), (BarList{{990104, 2, 3, 4, 5, 19, 20}, {990105, 1, 2, 3, 4, 19, 20}}));
}

TEST_F(RecordParsing, TabAndSpaceDelimiters) {
    m_settings.nDelimiter = 1;
    ASSERT_EQ(Run("01/04/99\t1\t\t2\t3\t4\t5\t6\n"), 0);
    EXPECT_EQ(Bars(), (BarList{{990104, 1, 2, 3, 4, 5, 6}}));

    m_settings.nDelimiter = 2;
    m_settings.strSymbol = "SPC";
    m_settings.nExist = 0;
    ASSERT_EQ(Run("  01/04/99   1 2 3   4 5 6  \n"), 0);
    EXPECT_EQ(Bars(2), (BarList{{990104, 1, 2, 3, 4, 5, 6}}));
}

TEST_F(RecordParsing, NumbersReadAsCFormattedInputInTheCLocale) {
    // A user locale with a decimal comma must change nothing.
    const char* pszOld = std::setlocale(LC_ALL, nullptr);
    const std::string strOld = pszOld ? pszOld : "C";
    const bool bGerman = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr ||
                         std::setlocale(LC_ALL, "fr_FR.UTF-8") != nullptr;
    const int nResult = Run("01/04/99, 12.5x,-3e2,+.25,abc,inf,1e39\n");
    std::setlocale(LC_ALL, strOld.c_str());
    ASSERT_EQ(nResult, 0);
    // Trailing text is ignored; no number, infinity and a value MBF cannot hold store 0.
    EXPECT_EQ(Bars(), (BarList{{990104, 12.5f, -300, 0.25f, 0, 0, 0}}));
    if (!bGerman) {
        GTEST_LOG_(INFO) << "no German or French locale installed; checked in the C locale only";
    }
}

TEST_F(RecordParsing, NonNumberAfterANumberDoesNotReuseThePreviousValue) {
    ASSERT_EQ(Run("01/04/99,5,5,5,5,5,5\n01/05/99,x,0x10,nan,-,5,5\n"), 0);
    EXPECT_EQ(Bars()[1], (std::vector<float>{990105, 0, 0, 0, 0, 5, 5}));
}

TEST_F(RecordParsing, LineEndsAndCtrlZ) {
    ASSERT_EQ(Run("01/04/99,1,2,3,4,5,6\r\n01/05/99,1,2,3,4,5,6\n01/06/99,1,2,3,4,5,7\x1a" "01/07/99,9,9,9,9,9,9\n"),
              0);
    ASSERT_EQ(Bars().size(), 3u);
    EXPECT_EQ(Bars()[2][6], 7);  // the last line before Ctrl-Z had no line end and kept its 7
}

TEST_F(RecordParsing, LongLineIsReadInPiecesOfTwoHundredNinetyNine) {
    // 290 characters of padding after the close push the volume into the second piece,
    // which then counts as a line of its own with "123..." tokens.
    const std::string line = "01/04/99,1,2,3,4" + std::string(290, ' ') + ",5,6\n";
    ASSERT_GT(line.size(), 299u);
    m_settings.bVolOn = 0;
    m_settings.bOIOn = 0;
    const int nResult = Run(line);
    // The second piece's first token (blanks before ",5") is not a date under MM_DD_YY.
    EXPECT_EQ(nResult, 1);
    const auto bars = Bars(1, 5);
    ASSERT_EQ(bars.size(), 2u);
    EXPECT_EQ(bars[0], (std::vector<float>{990104, 1, 2, 3, 4}));
    EXPECT_EQ(bars[1][0], 0);  // unreadable date stored as 0
    ASSERT_EQ(m_messages.Texts().size(), 1u);
    EXPECT_EQ(m_messages.Texts()[0].rfind("Some dates could not be read.\n\nFirst: line 2, \"", 0), 0u);
}

TEST_F(RecordParsing, DateTokenOfTwentyCharactersStopsTheRunWithoutABar) {
    m_settings.bVolOn = 0;
    m_settings.bOIOn = 0;
    const std::string date19 = "01/05/99" + std::string(10, ' ') + "x";
    ASSERT_EQ(date19.size(), 19u);
    // Nineteen characters are still read as a date: one the reading cannot use.
    ASSERT_EQ(Run("01/04/99,1,2,3,4\n" + date19 + ",1,2,3,4\n01/06/99,1,2,3,4\n"), 1);
    EXPECT_EQ(Bars(1, 5).size(), 3u);
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"Some dates could not be read.\n\nFirst: line 2, \"" +
                                                            date19 + "\"\nLines affected: 1"}));

    m_messages.Clear();
    m_settings.strSymbol = "STOP";
    m_settings.nExist = 0;
    ASSERT_EQ(Run("01/04/99,1,2,3,4\n" + date19 + " ,1,2,3,4\n01/06/99,1,2,3,4\n"), 1);
    EXPECT_EQ(Bars(2, 5), (BarList{{990104, 1, 2, 3, 4}}));
    const std::string data = ReadFile(m_out / "F2.DAT");
    EXPECT_EQ(data.size(), 40u);
    EXPECT_EQ(data[2], 2);  // the header counts the one bar and itself
    EXPECT_TRUE(m_messages.Texts().empty());
}

TEST_F(RecordParsing, FirstBarCheckAgainstNumericFormat) {
    m_settings.strDateFormat = "YYMMDD";
    ASSERT_EQ(Run("\"990104,1,2,3,4,5,6\n990105,1,2,3,4,5,6\n"), 1);
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{
                                      "You specified a numeric-only date format\nbut a non-numeric date character "
                                      "was found."}));
    // Every bar is written although the run failed; the quote is skipped by the date reading.
    EXPECT_EQ(Bars().size(), 2u);
    EXPECT_EQ(Bars()[0][0], 990104);
}

TEST_F(RecordParsing, FirstBarCheckAgainstSeparatedFormat) {
    ASSERT_EQ(Run("010499,1,2,3,4,5,6\n01/05/99,1,2,3,4,5,6\n"), 1);
    const auto texts = m_messages.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "You specified a character-separated date format\nbut only numeric date characters were found.");
    EXPECT_EQ(texts[1], "Some dates could not be read.\n\nFirst: line 1, \"010499\"\nLines affected: 1");
    EXPECT_EQ(Bars().size(), 2u);
    EXPECT_EQ(Bars()[1][0], 990105);
}

TEST_F(RecordParsing, LaterDatesBreakingTheFormatDrawNoFirstBarMessage) {
    ASSERT_EQ(Run("01/04/99,1,2,3,4,5,6\n010599,1,2,3,4,5,6\n13/01/99,1,2,3,4,5,6\n"), 1);
    EXPECT_EQ(m_messages.Texts(),
              (std::vector<std::string>{"Some dates could not be read.\n\nFirst: line 2, \"010599\"\nLines affected: 2"}));
}

TEST_F(RecordParsing, EveryDateFormatOnItsFirstBar) {
    const struct {
        const char* pszFormat;
        const char* pszDate;
    } cases[] = {
        {"YY_MM_DD", "99-01-04"},  {"CCYY_MM_DD", "1999-01-04"}, {"MM_DD_YY", "01/04/99"},
        {"MM_DD_CCYY", "1/4/1999"}, {"DD_MM_YY", "04.01.99"},    {"DD_MM_CCYY", "04.01.1999"},
        {"YYMMDD", "990104"},      {"CCYYMMDD", "19990104"},     {"MMDDYY", "010499"},
        {"MMDDCCYY", "01041999"},  {"DDMMYY", "040199"},         {"DDMMCCYY", "04011999"},
    };
    int nFile = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszFormat);
        m_settings.strDateFormat = c.pszFormat;
        m_settings.strSymbol = c.pszFormat;
        m_settings.nExist = nFile == 0 ? 1 : 0;
        ++nFile;
        ASSERT_EQ(Run(std::string(c.pszDate) + ",1,2,3,4,5,6\n"), 0);
        ASSERT_EQ(Bars(nFile).size(), 1u);
        EXPECT_EQ(Bars(nFile)[0][0], 990104);
    }
    EXPECT_TRUE(m_messages.Texts().empty());
}

TEST_F(RecordParsing, DatesBefore1961AndOutOfRange) {
    m_settings.strDateFormat = "MM_DD_CCYY";
    ASSERT_EQ(Run("01/03/1950,1,2,3,4,5,6\n12/31/1960,1,2,3,4,5,6\n02/29/1900,1,2,3,4,5,6\n"), 0);
    EXPECT_EQ(Bars()[0][0], 500103);
    EXPECT_EQ(Bars()[1][0], 601231);
    EXPECT_EQ(Bars()[2][0], 229);

    m_settings.strSymbol = "OLD";
    m_settings.nExist = 0;
    ASSERT_EQ(Run("12/31/1899,1,2,3,4,5,6\n06/05/2140,1,2,3,4,5,6\n06/04/2140,1,2,3,4,5,6\n"), 1);
    const auto bars = Bars(2);
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_EQ(bars[0][0], 0);
    EXPECT_EQ(bars[1][0], 0);
    EXPECT_EQ(bars[2][0], 2400604);
    EXPECT_EQ(m_messages.Texts().back(),
              "Some dates could not be read.\n\nFirst: line 1, \"12/31/1899\"\nLines affected: 2");
}

TEST_F(RecordParsing, EntryGetsTheFirstAndLastDates) {
    ASSERT_EQ(Run("01/04/99,1,2,3,4,5,6\n12/31/99,1,2,3,4,5,6\n"), 0);
    const std::string master = Master();
    ASSERT_EQ(master.size(), 106u);
    EXPECT_EQ(master.substr(53 + 25, 8), "\x80\xB9\x71\x94\xF0\xFF\x71\x94");
}

TEST_F(RecordParsing, NoBarKeepsTheDatesTheSecurityWasAddedWith) {
    ASSERT_EQ(Run("\n,,,\n"), 0);
    const std::string master = Master();
    ASSERT_EQ(master.size(), 106u);
    const MbfSingle today = TodayDateValue();
    EXPECT_EQ(master.substr(53 + 25, 4), std::string(today.begin(), today.end()));
    EXPECT_EQ(master.substr(53 + 29, 4), master.substr(53 + 25, 4));
    EXPECT_EQ(ReadFile(m_out / "F1.DAT").substr(0, 4), std::string("\0\0\1\0", 4));
}

TEST_F(RecordParsing, SkippedRowsAndLineNumbersInMessages) {
    m_settings.bSkipOn = 1;
    m_settings.nRowsToSkip = 2;
    ASSERT_EQ(Run("Date,Open\n\n01/04/99,1,2,3,4,5,6\n\nbad,1,2,3,4,5,6\n"), 1);
    EXPECT_EQ(Bars().size(), 2u);
    EXPECT_EQ(m_messages.Texts(),
              (std::vector<std::string>{"Some dates could not be read.\n\nFirst: line 5, \"bad\"\nLines affected: 1"}));
}

TEST_F(RecordParsing, SkippingMoreRowsThanTheFileHasGivesNoBar) {
    m_settings.bSkipOn = 1;
    m_settings.nRowsToSkip = 200;
    ASSERT_EQ(Run("01/04/99,1,2,3,4,5,6\n"), 0);
    EXPECT_TRUE(Bars().empty());
}

TEST_F(RecordParsing, SwitchedOffFieldTakesNoRoom) {
    m_settings.bVolOn = 0;
    m_settings.nVolCol = 1;  // never read
    m_settings.bOpenOn = 0;
    ASSERT_EQ(Run("01/04/99,1,2,3,4,5,6\n"), 0);
    EXPECT_EQ(Bars(1, 5), (BarList{{990104, 2, 3, 4, 6}}));
    EXPECT_EQ(ReadFile(m_out / "F1.DOP"), "\"DATE\",0,0\r\n\"HIGH\",4,4\r\n\"LOW\",4,4\r\n\"CLOSE\",4,4\r\n\"OI\",4,4\r\n");
}
