// Physical lines from memory and from files read in pieces of every small size, so that each
// line end, byte-order mark and Ctrl-Z also falls across the edge of a piece.
#include "engine/LineReader.h"
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

struct SLinesCase {
    std::string text;
    std::string strLines;
};

} // namespace

TEST(LineReader, LineEndsMarksAndFaultsReadAlikeFromMemoryAndInPieces) {
    const std::string strLong(CLineReader::kMaxLineBytes + 1, 'x');
    const std::string strLongest(CLineReader::kMaxLineBytes, 'y');
    const SLinesCase cases[] = {
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
        {"a\n\x1A", "1:a|"},
        {"a\x1A\x1A\x1A", "1:a|"},
        {"a\r\x1A", "1:a|"},
        {"a\n\x1A" "b", "1:a|The file is not plain text: line 2 holds a Ctrl-Z (0x1A) before the end of the file."},
        {"a\x1A\n", "1:a|The file is not plain text: line 1 holds a Ctrl-Z (0x1A) before the end of the file."},
        {"\xFF\xFE" "a\0", "The file is not plain text: it is UTF-16 (line 1 begins with a UTF-16 byte-order mark). "
                           "Save it as UTF-8 (or Windows-1252) text."},
        {"\xFE\xFF", "The file is not plain text: it is UTF-16 (line 1 begins with a UTF-16 byte-order mark). "
                     "Save it as UTF-8 (or Windows-1252) text."},
        {std::string("a\nb\0c\n", 6), "1:a|The file is not plain text: line 2 holds a NUL byte (UTF-16 or binary data)."},
        {"a\n\x7F", "1:a|The file is not plain text: line 2 holds the control byte 0x7F."},
        {"a\n\x0C", "1:a|The file is not plain text: line 2 holds the control byte 0x0C."},
        {strLongest + "\r\n" + strLong + "\nz", "1:" + strLongest + "|2:LONG|3:z|"},
        {strLong + "\r\nz", "1:LONG|2:z|"},
        {strLong, "1:LONG|"},
        {strLong + "\x1A", "1:LONG|"},
        {strLong + std::string("\0", 1), "1:LONG|The file is not plain text: line 1 holds a NUL byte (UTF-16 or binary data)."},
    };
    for (const SLinesCase& c : cases) {
        CLineReader inMemory(c.text);
        EXPECT_EQ(Lines(inMemory), c.strLines) << c.text.substr(0, 20);
        for (std::size_t nChunk : {1, 2, 3, 7, 4096}) {
            CMadeFile file(0, ' ', c.text);
            CLineReader inPieces(file, nChunk);
            EXPECT_EQ(Lines(inPieces), c.strLines) << c.text.substr(0, 20) << " in pieces of " << nChunk;
        }
    }
}
