#include "platform/TextReader.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A file in memory that hands out at most nChunk bytes per read, so that every byte
// position can be made to fall on the edge of the reader's buffer, and that can fail
// its nFailAt-th read.
class CChunkedFile : public CFile {
public:
    CChunkedFile(std::string bytes, std::size_t nChunk, int nFailAt = 0)
        : m_bytes(std::move(bytes)), m_nChunk(nChunk), m_nFailAt(nFailAt) {}

    std::ptrdiff_t Read(void* pBuffer, std::size_t size) override {
        if (++m_nReads == m_nFailAt) {
            return -1;
        }
        const std::size_t n = std::min({size, m_nChunk, m_bytes.size() - m_nPos});
        std::memcpy(pBuffer, m_bytes.data() + m_nPos, n);
        m_nPos += n;
        return static_cast<std::ptrdiff_t>(n);
    }
    bool Write(const void*, std::size_t) override { return false; }
    bool Seek(std::uint64_t) override { return false; }
    std::optional<std::uint64_t> Size() override { return m_bytes.size(); }
    bool Sync() override { return false; }
    bool Close() override { return true; }

private:
    std::string m_bytes;
    std::size_t m_nChunk;
    int m_nFailAt;
    int m_nReads = 0;
    std::size_t m_nPos = 0;
};

// Every read until the end; the end must then stay the end.
std::vector<std::string> ReadAll(CTextReader& reader, std::size_t nMaxChars = CTextReader::kLineChars) {
    std::vector<std::string> lines;
    std::string line;
    for (;;) {
        const EReadStatus status = reader.ReadLine(line, nMaxChars);
        if (status != EReadStatus::Line) {
            EXPECT_EQ(status, EReadStatus::End);
            EXPECT_EQ(reader.ReadLine(line, nMaxChars), EReadStatus::End);
            break;
        }
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> ReadChunked(const std::string& bytes, std::size_t nChunk,
                                     std::size_t nMaxChars = CTextReader::kLineChars) {
    CTextReader reader(std::make_unique<CChunkedFile>(bytes, nChunk));
    return ReadAll(reader, nMaxChars);
}

using Lines = std::vector<std::string>;

struct SCase {
    const char* pszName;
    std::string bytes;
    Lines expected;
};

class TextReaderChunks : public ::testing::TestWithParam<std::size_t> {};

TEST_P(TextReaderChunks, LineEndsAndCtrlZReadAlikeAtEveryChunkSize) {
    const std::vector<SCase> cases = {
        {"crlf pairs", "ab\r\ncd\r\n", {"ab\n", "cd\n"}},
        {"blank crlf line", "a\r\n\r\nb\r\n", {"a\n", "\n", "b\n"}},
        {"bare lf", "a\nb\n", {"a\n", "b\n"}},
        {"lone cr inside", "x\ry\r\n", {"x\ry\n"}},
        {"lone cr at end", "a\r", {"a\r"}},
        {"cr cr lf", "a\r\r\nb", {"a\r\n", "b"}},
        {"last line without lf", "a\r\nlast", {"a\n", "last"}},
        {"ctrl-z mid-line", std::string("ab\x1A" "cd\nef\n"), {"ab"}},
        {"ctrl-z between cr and lf", std::string("a\r\x1A\nb\n"), {"a\r"}},
        {"ctrl-z first", std::string("\x1A" "abc\n"), {}},
        {"empty", "", {}},
    };
    for (const SCase& c : cases) {
        EXPECT_EQ(ReadChunked(c.bytes, GetParam()), c.expected) << c.pszName;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, TextReaderChunks, ::testing::Values(1, 2, 3, 5, 1 << 20));

TEST(TextReader, LimitCountsCrLfAsOneCharacter) {
    const std::string x298(298, 'x');
    // 298 characters and CR LF make 299 after translation: one read.
    EXPECT_EQ(ReadChunked(x298 + "\r\nz\r\n", 1 << 20), (Lines{x298 + "\n", "z\n"}));
    EXPECT_EQ(ReadChunked(x298 + "\r\nz\r\n", 1), (Lines{x298 + "\n", "z\n"}));
    // 299 characters fill a read; the line end comes alone with the next one.
    const std::string x299(299, 'x');
    EXPECT_EQ(ReadChunked(x299 + "\r\nz", 1 << 20), (Lines{x299, "\n", "z"}));
    // A longer line arrives in pieces of 299.
    const std::string x700(700, 'x');
    EXPECT_EQ(ReadChunked(x700 + "\n", 7), (Lines{x299, x299, std::string(102, 'x') + "\n"}));
}

TEST(TextReader, LoneCrCountsAgainstTheLimit) {
    EXPECT_EQ(ReadChunked("ab\rcd\n", 1 << 20, 3), (Lines{"ab\r", "cd\n"}));
}

TEST(TextReader, UnlimitedReadsReturnWholeLinesLongerThanTheBuffer) {
    const std::string huge(200000, 'q');
    EXPECT_EQ(ReadChunked(huge + "\r\nend", 1 << 20, SIZE_MAX), (Lines{huge + "\n", "end"}));
}

TEST(TextReader, CrLfStraddlingTheBufferOfARealFileIsOneLf) {
    CTempDir dir;
    for (std::size_t nBefore : {65534u, 65535u, 65536u, 131071u}) {
        const std::string before(nBefore, 'a');
        ASSERT_TRUE(WriteFile(dir / "in.txt", before + "\r\nb\r\n"));
        auto pFile = GetSystemFileSystem().Open(dir / "in.txt", EOpenMode::Read);
        ASSERT_TRUE(pFile);
        CTextReader reader(std::move(pFile));
        EXPECT_EQ(ReadAll(reader, SIZE_MAX), (Lines{before + "\n", "b\n"})) << nBefore;
    }
}

TEST(TextReader, ReadErrorIsReportedAfterTheLinesAlreadyRead) {
    CTextReader reader(std::make_unique<CChunkedFile>("ab\ncd\n", 3, 2));
    std::string line;
    ASSERT_EQ(reader.ReadLine(line), EReadStatus::Line);
    EXPECT_EQ(line, "ab\n");
    EXPECT_EQ(reader.ReadLine(line), EReadStatus::Error);
    EXPECT_EQ(reader.ReadLine(line), EReadStatus::Error);
}

TEST(TextReader, ReadErrorWhileLookingPastACrIsAnError) {
    CTextReader reader(std::make_unique<CChunkedFile>("ab\r\n", 3, 2));
    std::string line;
    EXPECT_EQ(reader.ReadLine(line), EReadStatus::Error);
}

TEST(TextReader, MissingFileReadsAsError) {
    CTextReader reader(nullptr);
    std::string line = "stale";
    EXPECT_EQ(reader.ReadLine(line), EReadStatus::Error);
    EXPECT_TRUE(line.empty());
}

} // namespace
