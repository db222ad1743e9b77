#include "tests/engine/JobFixture.h"

#include "platform/TextReader.h"
#include "tests/support/FaultyFileSystem.h"

#include <random>
#include <sys/stat.h>

namespace {

class ReverseInput : public JobTest {
protected:
    void SetUp() override { std::filesystem::current_path(m_out); }
    int Reverse(const std::string& input, CFileSystem& fs = GetSystemFileSystem()) {
        WriteFile(m_input, input);
        m_job = MakeJob(fs);
        return m_job->ReverseInput();
    }
    std::string Backup() const { return ReadFile(m_input.string() + ".BAK"); }
    std::unique_ptr<CConverter> m_job;
};

// The preparation as first written: one pass over "~CLEAN.TXT" per kept line, each line read
// in text mode and written in text mode. Kept here as the reference for the files' bytes.
std::string LiteralReversal(const std::string& input, int nSkip) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i <= input.size(); ++i) {
        if (i == input.size() || input[i] == '\x1a') {
            if (!line.empty()) {
                lines.push_back(line);
            }
            break;
        }
        if (input[i] == '\r' && i + 1 < input.size() && input[i + 1] == '\n') {
            continue;  // CR LF reads as LF
        }
        line += input[i];
        if (input[i] == '\n') {
            lines.push_back(line);
            line.clear();
        }
    }
    std::vector<std::string> kept;
    for (std::size_t i = static_cast<std::size_t>(nSkip); i < lines.size(); ++i) {
        if (lines[i] != "\n") {
            kept.push_back(lines[i]);
        }
    }
    std::string out;
    for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
        std::string text = *it;
        if (text.back() != '\n') {
            text += '\n';
        }
        for (char c : text) {
            out += c == '\n' ? std::string("\r\n") : std::string(1, c);
        }
    }
    return out;
}

}  // namespace

TEST_F(ReverseInput, ReversesInPlaceWithABackup) {
    ASSERT_EQ(Reverse("3,c\r\n2,b\r\n1,a\r\n"), 0);
    EXPECT_EQ(ReadFile(m_input), "1,a\r\n2,b\r\n3,c\r\n");
    EXPECT_EQ(Backup(), "3,c\r\n2,b\r\n1,a\r\n");
    EXPECT_EQ(ListDirectory(m_out), std::vector<std::string>{});  // no working file left
    EXPECT_TRUE(Exists(m_dir / "prices.txt.BAK"));
}

TEST_F(ReverseInput, HeaderRowsAndBlankLinesGoAndEveryLineGetsCrLf) {
    m_settings.bSkipOn = 1;
    m_settings.nRowsToSkip = 1;
    ASSERT_EQ(Reverse("Date,Close\n3\n\n2\r\n\r\n1"), 0);
    EXPECT_EQ(ReadFile(m_input), "1\r\n2\r\n3\r\n");
    EXPECT_EQ(m_job->m_bSkipRows, 0);  // the rows are gone from the file
}

TEST_F(ReverseInput, LongLinesStayWholeAndCtrlZEndsTheText) {
    const std::string longLine(700, 'x');
    ASSERT_EQ(Reverse("a\n" + longLine + "\nb\n\x1aignored\n"), 0);
    EXPECT_EQ(ReadFile(m_input), "b\r\n" + longLine + "\r\na\r\n");
}

TEST_F(ReverseInput, LinesLongerThanABlock) {
    const std::string huge(200000, 'y');
    ASSERT_EQ(Reverse(huge + "\n1\n" + huge + "z"), 0);
    EXPECT_EQ(ReadFile(m_input), huge + "z\r\n1\r\n" + huge + "\r\n");
}

TEST_F(ReverseInput, NothingToKeepFailsAndLeavesTheInput) {
    EXPECT_EQ(Reverse("\n\r\n\n"), 1);
    EXPECT_EQ(ReadFile(m_input), "\n\r\n\n");
    EXPECT_EQ(ReadFile(m_out / "~CLEAN.TXT"), "");
    m_settings.bSkipOn = 1;
    m_settings.nRowsToSkip = 5;
    EXPECT_EQ(Reverse("a\nb\n"), 1);
    EXPECT_EQ(m_job->m_bSkipRows, 1);
    EXPECT_EQ(ReadFile(m_input), "a\nb\n");
}

TEST_F(ReverseInput, ASecondReversalRestoresTheOrder) {
    ASSERT_EQ(Reverse("2\n1\n"), 0);
    ASSERT_EQ(MakeJob()->ReverseInput(), 0);
    EXPECT_EQ(ReadFile(m_input), "2\r\n1\r\n");
    EXPECT_EQ(Backup(), "1\r\n2\r\n");
}

TEST_F(ReverseInput, ReadOnlyInputIsLeftAlone) {
    WriteFile(m_input, "2\n1\n");
    ::chmod(m_input.c_str(), 0444);
    m_job = MakeJob();
    EXPECT_EQ(m_job->ReverseInput(), 1);
    EXPECT_EQ(ReadFile(m_input), "2\n1\n");
    EXPECT_EQ(Backup(), "2\n1\n");
}

TEST_F(ReverseInput, SameBytesAsTheLiteralReversal) {
    std::mt19937 random(12345);
    const char alphabet[] = {'1', ',', '.', ' ', '\r', '\n', '\n', 'a', '\x1a'};
    for (int nCase = 0; nCase < 300; ++nCase) {
        std::string input;
        const int nLength = static_cast<int>(random() % 80);
        for (int i = 0; i < nLength; ++i) {
            input += alphabet[random() % (nCase % 2 ? sizeof alphabet - 1 : sizeof alphabet)];
        }
        const int nSkip = static_cast<int>(random() % 3);
        m_settings.bSkipOn = nSkip > 0;
        m_settings.nRowsToSkip = nSkip;
        const std::string expected = LiteralReversal(input, nSkip);
        SCOPED_TRACE(::testing::PrintToString(input));
        const int nResult = Reverse(input);
        if (expected.empty()) {
            EXPECT_EQ(nResult, 1);
            EXPECT_EQ(ReadFile(m_input), input);
        } else {
            ASSERT_EQ(nResult, 0);
            EXPECT_EQ(ReadFile(m_input), expected);
        }
    }
}

TEST_F(ReverseInput, EverySingleFailureLeavesTheInputWholeOrReversed) {
    const std::string input = "Date\n3,c\n\n2,b\n1,a";
    const std::string reversed = "1,a\r\n2,b\r\n3,c\r\n";
    m_settings.bSkipOn = 1;
    m_settings.nRowsToSkip = 1;
    CFaultyFileSystem counting;
    ASSERT_EQ(Reverse(input, counting), 0);
    const int nOperations = counting.OperationCount();
    for (int n = 1; n <= nOperations; ++n) {
        SCOPED_TRACE("failing operation " + std::to_string(n));
        std::filesystem::remove(m_input.string() + ".BAK");
        CFaultyFileSystem fs;
        fs.FailAt(n);
        EXPECT_EQ(Reverse(input, fs), 1);
        const std::string now = ReadFile(m_input);
        if (now != input) {
            EXPECT_EQ(now, reversed);
            EXPECT_EQ(Backup(), input);
        }
    }
}
