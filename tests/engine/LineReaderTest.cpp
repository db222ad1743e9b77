// Physical lines from memory and from files read in pieces of every small size, so that each
// line end, byte-order mark, Ctrl-Z and UTF-16 character also falls across the edge of a piece.
#include "engine/LayoutDetector.h"
#include "engine/LineReader.h"
#include "platform/TextEncoding.h"
#include "tests/engine/ReaderTestSupport.h"

#include <gtest/gtest.h>

namespace {

// The lines as "number:text" joined by "|", a too-long line as "number:LONG", then the fault.
std::string Lines(CLineReader& reader) {
    std::string strLines;
    SPhysicalLine line;
    while (reader.Next(line)) {
        strLines += std::to_string(line.nNumber) + ":" + (line.bTooLong ? "LONG" : std::string(line.text)) + "|";
        if (line.bTooLong) {
            EXPECT_EQ(line.text.size(), CLineReader::kMaxLineBytes);
        }
    }
    return strLines + reader.FaultText();
}

// The same lines and fault from memory and from a file in pieces of 1, 2, 3, 7 and 4096 bytes.
void ExpectLines(const std::string& text, const std::string& strLines, const std::string& strCase) {
    CLineReader inMemory(text);
    EXPECT_EQ(Lines(inMemory), strLines) << strCase;
    for (std::size_t nChunk : {1, 2, 3, 7, 4096}) {
        CMadeFile file(0, ' ', text);
        CLineReader inPieces(file, nChunk);
        EXPECT_EQ(Lines(inPieces), strLines) << strCase << " in pieces of " << nChunk;
    }
}

// UTF-16 with its byte-order mark, as a spreadsheet's "Unicode Text" or PowerShell writes it.
std::string Utf16(const std::u16string& text, bool bBigEndian) {
    std::string bytes = bBigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bBigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// The code points of UTF-8 text (which must be valid UTF-8).
std::u32string CodePoints(std::string_view text) {
    std::u32string codes;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t nLength = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t code = nLength == 1 ? lead : lead & (0x7F >> nLength);
        for (std::size_t k = 1; k < nLength; ++k) {
            code = code << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        codes += code;
        i += nLength;
    }
    return codes;
}

std::string NotText(const std::string& strWhat) {
    return "The file is not plain text: " + strWhat;
}

} // namespace

TEST(LineReader, LineEndsMarksAndFaultsReadAlikeFromMemoryAndInPieces) {
    const std::string strLong(CLineReader::kMaxLineBytes + 1, 'x');
    const std::string strLongest(CLineReader::kMaxLineBytes, 'y');
    const std::string strCtrlZ = "holds a Ctrl-Z (0x1A) before the end of the file.";
    const struct {
        std::string text;
        std::string strLines;
    } cases[] = {
        {"", ""},
        {"a", "1:a|"},
        {"a\nb\n", "1:a|2:b|"},
        {"\nabc", "1:|2:abc|"},
        {"a\r\nb\r\n\r\nc", "1:a|2:b|3:|4:c|"},
        {"a\rb\r\rc\n\n", "1:a|2:b|3:|4:c|5:|"},
        {"\xEF\xBB\xBF" "a\n", "1:a|"},
        {"a\xEF\xBB\xBF\n", "1:a\xEF\xBB\xBF|"},
        {"\xEF\xBB", "1:\xEF\xBB|"},
        {"a\tb \xE9\n", "1:a\tb \xE9|"},
        // Ctrl-Z ends the text when nothing but Ctrl-Z and line ends follow it.
        {"a\n\x1A", "1:a|"},
        {"a\x1A\x1A\x1A", "1:a|"},
        {"a\r\x1A", "1:a|"},
        {"a\x1A\n", "1:a|"},
        {"a\r\n\x1A\r\n", "1:a|"},
        {"a\n\x1A\n\x1A\r\r\n\n", "1:a|"},
        {"\x1A\r\n", ""},
        {"a\n\x1A" "b", "1:a|" + NotText("line 2 " + strCtrlZ)},
        {"a\x1A\nb", "1:a|" + NotText("line 1 " + strCtrlZ)},
        {"a\n\x1A\r\n \r\n", "1:a|" + NotText("line 2 " + strCtrlZ)},
        {"a\n\x1A\n\t", "1:a|" + NotText("line 2 " + strCtrlZ)},
        {std::string("a\n\x1A\n\0", 5), "1:a|" + NotText("line 2 " + strCtrlZ)},
        // A byte-order mark of UTF-16 with nothing or half a character after it.
        {"\xFE\xFF", ""},
        {"\xFF\xFE", ""},
        {"\xFF\xFE" "a", NotText("it is UTF-16 but ends in half a character, on line 1 (an odd number of bytes).")},
        {std::string("a\nb\0c\n", 6),
         "1:a|" + NotText("line 2 holds a NUL byte (UTF-16 without a byte-order mark, or binary data).")},
        {"a\n\x7F", "1:a|" + NotText("line 2 holds the control byte 0x7F.")},
        {"a\n\x0C", "1:a|" + NotText("line 2 holds the control byte 0x0C.")},
        {strLongest + "\r\n" + strLong + "\nz", "1:" + strLongest + "|2:LONG|3:z|"},
        {strLong + "\r\nz", "1:LONG|2:z|"},
        {strLong, "1:LONG|"},
        {strLong + "\x1A", "1:LONG|"},
        {strLong + "\x1A\r\n", "1:LONG|"},
        {strLong + "\x1A" "x", "1:LONG|" + NotText("line 1 " + strCtrlZ)},
        {strLong + std::string("\0", 1), "1:LONG|" + NotText("line 1 holds a NUL byte (UTF-16 without a byte-order mark, or binary data).")},
    };
    for (const auto& c : cases) {
        ExpectLines(c.text, c.strLines, c.text.substr(0, 20));
    }
}

// UTF-16 in either byte order reads as the same lines in UTF-8, numbered as in the file; what
// breaks off in half a character is refused on its line, after the good lines before it.
TEST(LineReader, Utf16WithByteOrderMarkReadsAsUtf8InBothByteOrders) {
    const std::u16string strLong(CLineReader::kMaxLineBytes / 2 + 1, u'\u00E9');   // 2 bytes each in UTF-8
    const std::u16string strLongest(CLineReader::kMaxLineBytes / 3, u'\u20AC');    // 3 bytes each
    const std::string strLongestUtf8 = [&] {
        std::string text;
        for (std::size_t i = 0; i < strLongest.size(); ++i) {
            text += "\xE2\x82\xAC";
        }
        return text;
    }();
    const char16_t kHigh = 0xD83D;
    const char16_t kLow = 0xDE00;
    const std::string strHalf = "it is UTF-16 but ";
    const struct {
        std::u16string text;
        bool bOddByte; // one byte more at the end
        std::string strLines;
    } cases[] = {
        {u"", false, ""},
        {u"Date\tClose\r\n2023-01-03\t1.5\r\n", false, "1:Date\tClose|2:2023-01-03\t1.5|"},
        {u"a\rb\r\n\nc", false, "1:a|2:b|3:|4:c|"},
        {u"Caf\u00E9 \u20AC \U0001F600\n\u0416\u4E2D\u07FF\u0800\uFFFD", false,
         "1:Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80|2:\xD0\x96\xE4\xB8\xAD\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBD|"},
        {u"\uFEFFa", false, "1:\xEF\xBB\xBF" "a|"},
        {u"a\r\n\x1A\r\n", false, "1:a|"},
        {u"a\n\x1A" u"b", false, "1:a|" + NotText("line 2 holds a Ctrl-Z (0x1A) before the end of the file.")},
        {std::u16string(u"a\n") + u'\0' + u"b", false,
         "1:a|" + NotText("line 2 holds a NUL byte (UTF-16 without a byte-order mark, or binary data).")},
        {u"a\n\x0007", false, "1:a|" + NotText("line 2 holds the control byte 0x07.")},
        {u"a\nb", true, "1:a|" + NotText(strHalf + "ends in half a character, on line 2 (an odd number of bytes).")},
        {u"a\n", true, "1:a|" + NotText(strHalf + "ends in half a character, on line 2 (an odd number of bytes).")},
        {u"", true, NotText(strHalf + "ends in half a character, on line 1 (an odd number of bytes).")},
        {std::u16string(u"ok\n") + kHigh + u"x\n", false,
         "1:ok|" + NotText(strHalf + "line 2 holds half a character (the lone surrogate 0xD83D).")},
        {std::u16string(u"ok\n") + kHigh, false,
         "1:ok|" + NotText(strHalf + "line 2 holds half a character (the lone surrogate 0xD83D).")},
        {std::u16string(u"ok\n") + kHigh, true,
         "1:ok|" + NotText(strHalf + "line 2 holds half a character (the lone surrogate 0xD83D).")},
        {std::u16string(u"ok\r\nb") + kLow + kHigh, false,
         "1:ok|" + NotText(strHalf + "line 2 holds half a character (the lone surrogate 0xDE00).")},
        {std::u16string(u"ok\n") + kHigh + kHigh + kLow, false,
         "1:ok|" + NotText(strHalf + "line 2 holds half a character (the lone surrogate 0xD83D).")},
        {std::u16string(u"a") + kHigh + kLow + u"\n" + kHigh + kLow, true,
         "1:a\xF0\x9F\x98\x80|" + NotText(strHalf + "ends in half a character, on line 2 (an odd number of bytes).")},
        {strLongest + u"\n" + strLong + u"\r\nz", false, "1:" + strLongestUtf8 + "|2:LONG|3:z|"},
        {strLong + kHigh, false, "1:LONG|" + NotText(strHalf + "line 1 holds half a character (the lone surrogate 0xD83D).")},
        {strLong + u"\x1A\r\n", false, "1:LONG|"},
    };
    for (const auto& c : cases) {
        for (const bool bBigEndian : {false, true}) {
            const std::string text = Utf16(c.text, bBigEndian) + (c.bOddByte ? "A" : "");
            ExpectLines(text, c.strLines, (bBigEndian ? "UTF-16BE " : "UTF-16LE ") + c.strLines.substr(0, 40));
        }
    }
}

// Every character that plain text may hold, one line of 64 after another, in both byte orders:
// the lines come out as valid UTF-8 holding the same characters.
TEST(LineReader, EveryCharacterOfUtf16ComesOutAsTheSameCharacterInUtf8) {
    std::u16string text;
    std::vector<std::u32string> expected(1);
    for (char32_t code = 0x20; code <= 0x10FFFF; ++code) {
        if (code == 0x7F || (code >= 0xD800 && code <= 0xDFFF)) {
            continue;
        }
        if (code < 0x10000) {
            text += static_cast<char16_t>(code);
        } else {
            text += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        }
        expected.back() += code;
        if (expected.back().size() == 64) {
            text += u"\r\n";
            expected.emplace_back();
        }
    }
    for (const bool bBigEndian : {false, true}) {
        const std::string bytes = Utf16(text, bBigEndian);
        for (std::size_t nChunk : {3, 4096}) {
            CMadeFile file(0, ' ', bytes);
            CLineReader reader(file, nChunk);
            SPhysicalLine line;
            std::size_t nLines = 0;
            while (reader.Next(line)) {
                ASSERT_LT(nLines, expected.size());
                ASSERT_TRUE(IsUtf8(line.text)) << "line " << line.nNumber;
                ASSERT_EQ(CodePoints(line.text), expected[nLines]) << "line " << line.nNumber;
                ++nLines;
            }
            EXPECT_EQ(reader.Fault(), ETextFault::None) << reader.FaultText();
            EXPECT_EQ(nLines, expected.size() - (expected.back().empty() ? 1 : 0));
        }
    }
}

// A price file saved as UTF-16 is detected and read as its UTF-8 twin: the same layout, bars
// and bad lines, on the same line numbers.
TEST(LineReader, Utf16PriceFileReadsAsItsUtf8Twin) {
    const std::string files[] = {
        "Date\tOpen\tHigh\tLow\tClose\tVolume\r\n2023-01-03\t1.5\t2\t1\t1.75\t1000\r\n"
        "2023-01-04\t1.75\t2.5\t1.5\t2\t1200\r\n2023-01-05\t2\t2.25\t1.75\t2.25\t900\r\n",
        "Datum;Er\xC3\xB6" "ffnung;Hoch;Tief;Schluss\n03.01.2023;88,4;88,9;85,5;85,6\n"
        "04.01.2023;85,7;86;84;85\n05.01.2023;85;85,5;83,25;84\n",
        "Date,Close\n2023-01-03,1.5\n2023-02-30,1.6\n2023-01-05,1.7\n",
    };
    for (const std::string& utf8 : files) {
        std::u16string text;
        for (const char32_t code : CodePoints(utf8)) {
            text += static_cast<char16_t>(code); // all in the first plane
        }
        const SLayoutDetection wanted = CLayoutDetector(CommandLineWording()).Detect(utf8);
        const SInputLayout& wantedLayout = wanted.layout;
        const CBarReader reader = Reader(wantedLayout);
        const SReadResult wantedBars = reader.ReadText(utf8);
        for (const bool bBigEndian : {false, true}) {
            const std::string bytes = Utf16(text, bBigEndian);
            const SLayoutDetection found = CLayoutDetector(CommandLineWording()).Detect(bytes);
            EXPECT_EQ(found.failure, wanted.failure);
            ASSERT_EQ(found.doubts.size(), wanted.doubts.size());
            for (std::size_t i = 0; i < found.doubts.size(); ++i) {
                EXPECT_EQ(found.doubts[i].strText, wanted.doubts[i].strText);
            }
            EXPECT_EQ(found.columnNames, wanted.columnNames);
            EXPECT_EQ(found.nBadLines, wanted.nBadLines);
            EXPECT_EQ(found.layout, wantedLayout);

            CMadeFileSystem fs(std::make_unique<CMadeFile>(0, ' ', bytes));
            const SReadResult bars = reader.ReadFile(fs, "prices.txt");
            EXPECT_EQ(bars.Message(), wantedBars.Message());
            EXPECT_EQ(bars.nLines, wantedBars.nLines);
            ASSERT_EQ(bars.series.size(), wantedBars.series.size());
            for (std::size_t s = 0; s < bars.series.size(); ++s) {
                ASSERT_EQ(bars.series[s].bars.size(), wantedBars.series[s].bars.size());
                for (std::size_t b = 0; b < bars.series[s].bars.size(); ++b) {
                    EXPECT_EQ(bars.series[s].bars[b].nDate, wantedBars.series[s].bars[b].nDate);
                    EXPECT_EQ(bars.series[s].bars[b].values, wantedBars.series[s].bars[b].values);
                    EXPECT_EQ(bars.series[s].bars[b].nLine, wantedBars.series[s].bars[b].nLine);
                }
            }
        }
    }
}
