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
    void SkipRows(int nRows) {
        m_settings.bSkipOn = nRows > 0 ? 1 : 0;
        m_settings.nRowsToSkip = nRows;
    }
    std::string Backup() const { return ReadFile(m_input.string() + ".BAK"); }
    std::unique_ptr<CConverter> m_job;
};

void AppendText(std::string& out, const std::string& line) {
    for (char c : line) {
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
}

// The reversal as first designed, step for step in dir: one pass over "~CLEAN.TXT" per kept
// line, each line read in text mode with the 299-character reads and written in text mode.
// Kept here as the reference for every byte the faster method leaves behind.
int LineByLineReversal(const std::filesystem::path& input, const std::filesystem::path& dir, int nSkip) {
    CFileSystem& fs = GetSystemFileSystem();
    const auto clean = dir / "~CLEAN.TXT";
    const auto reverse = dir / "~REVERSE.TXT";
    const auto temp = dir / "~TEMP.TXT";
    fs.CopyFile(input, input.string() + ".BAK");
    std::string text;
    std::string line;
    int nKept = 0;
    {
        CTextReader reader(fs.Open(input, EOpenMode::Read));
        for (int i = 0; i < nSkip; ++i) {
            reader.ReadLine(line);
        }
        while (reader.ReadLine(line) == EReadStatus::Line) {
            if (line != "\n") {
                AppendText(text, line);
                ++nKept;
            }
        }
    }
    WriteFile(clean, text);
    if (nKept == 0) {
        return 1;
    }
    WriteFile(reverse, "");
    for (int k = 0; k < nKept; ++k) {
        CTextReader cleanReader(fs.Open(clean, EOpenMode::Read));
        int nRead = 0;
        while (nRead < k + 1 && cleanReader.ReadLine(line) == EReadStatus::Line) {
            ++nRead;
        }
        if (nRead < k + 1) {
            return 1;
        }
        if (line.back() != '\n') {
            line += '\n';
        }
        text.clear();
        AppendText(text, line);
        CTextReader reverseReader(fs.Open(reverse, EOpenMode::Read));
        while (reverseReader.ReadLine(line) == EReadStatus::Line) {
            AppendText(text, line);
        }
        WriteFile(temp, text);
        fs.CopyFile(temp, reverse);
    }
    fs.CopyFile(reverse, input);
    fs.RemoveFile(reverse);
    fs.RemoveFile(temp);
    fs.RemoveFile(clean);
    return 0;
}

// Random text with CR, lone CR, Ctrl-Z and blank lines, every line shorter than a read.
std::string RandomInput(std::mt19937& random) {
    static const char kAlphabet[] = {'1', ',', '.', ' ', '\r', '\n', '\n', 'a', '\x1a'};
    std::string input;
    if (random() % 2 == 0) {
        const int nLength = static_cast<int>(random() % 80);
        const std::size_t nLetters = random() % 3 == 0 ? sizeof kAlphabet : sizeof kAlphabet - 1;
        for (int i = 0; i < nLength; ++i) {
            input += kAlphabet[random() % nLetters];
        }
        return input;
    }
    const int nLines = static_cast<int>(random() % 12);
    for (int n = 0; n < nLines; ++n) {
        const int nLength = static_cast<int>(random() % 290);
        for (int i = 0; i < nLength; ++i) {
            input += kAlphabet[random() % 5];
        }
        input += random() % 2 ? "\r\n" : "\n";
    }
    return input;
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
    SkipRows(1);
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

TEST_F(ReverseInput, LineEndAfterAFullBlockIsNotABlankLine) {
    // The LF arrives on its own after 65,536 characters; it still ends that line.
    const std::string block(65536, 'q');
    ASSERT_EQ(Reverse(block + "\n" + "a\n"), 0);
    EXPECT_EQ(ReadFile(m_input), "a\r\n" + block + "\r\n");
    const std::string header(65536 * 3, 'h');
    SkipRows(1);
    ASSERT_EQ(Reverse(header + "\r\n" + "2\n" + block + "\r\n"), 0);
    EXPECT_EQ(ReadFile(m_input), block + "\r\n2\r\n");
}

TEST_F(ReverseInput, NothingToKeepFailsAndLeavesTheInput) {
    EXPECT_EQ(Reverse("\n\r\n\n"), 1);
    EXPECT_EQ(ReadFile(m_input), "\n\r\n\n");
    EXPECT_EQ(ReadFile(m_out / "~CLEAN.TXT"), "");
    SkipRows(5);
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
    SkipRows(1);
    WriteFile(m_input, "Date\n2\n1\n");
    ::chmod(m_input.c_str(), 0444);
    m_job = MakeJob();
    EXPECT_EQ(m_job->ReverseInput(), 1);
    EXPECT_EQ(ReadFile(m_input), "Date\n2\n1\n");
    EXPECT_EQ(Backup(), "Date\n2\n1\n");
    EXPECT_EQ(m_job->m_bSkipRows, 1);  // the header is still in the file
}

TEST_F(ReverseInput, InputNamedLikeAWorkingFileIsRefusedUntouched) {
    for (const char* pszName : {"~TEMP.TXT", "~clean.txt", "~Reverse.Txt"}) {
        SCOPED_TRACE(pszName);
        const auto input = m_out / pszName;
        WriteFile(input, "2\n1\n");
        m_settings.strPathIn = input.string();
        m_messages.Clear();
        EXPECT_EQ(MakeJob()->ReverseInput(), 1);
        EXPECT_EQ(ReadFile(input), "2\n1\n");
        EXPECT_EQ(ListDirectory(m_out), std::vector<std::string>{pszName});  // no backup either
        ASSERT_EQ(m_messages.Texts().size(), 1u);
        EXPECT_NE(m_messages.Texts()[0].find("working files"), std::string::npos);
        std::filesystem::remove(input);
    }
}

TEST_F(ReverseInput, SameFilesAsTheLineByLineMethod) {
    std::mt19937 random(12345);
    const auto reference = m_dir / "reference";
    std::filesystem::create_directory(reference);
    for (int nCase = 0; nCase < 300; ++nCase) {
        const std::string input = RandomInput(random);
        const int nSkip = static_cast<int>(random() % 3);
        SkipRows(nSkip);
        SCOPED_TRACE(::testing::PrintToString(input) + " skipping " + std::to_string(nSkip));
        std::filesystem::remove_all(reference);
        std::filesystem::create_directory(reference);
        WriteFile(reference / "prices.txt", input);
        const int nExpected = LineByLineReversal(reference / "prices.txt", reference, nSkip);

        ASSERT_EQ(Reverse(input), nExpected);
        EXPECT_EQ(ReadFile(m_input), ReadFile(reference / "prices.txt"));
        EXPECT_EQ(Backup(), input);
        auto left = ListDirectory(reference);
        left.erase(std::remove(left.begin(), left.end(), "prices.txt"), left.end());
        left.erase(std::remove(left.begin(), left.end(), "prices.txt.BAK"), left.end());
        ASSERT_EQ(ListDirectory(m_out), left);
        for (const auto& name : left) {
            EXPECT_EQ(ReadFile(m_out / name), ReadFile(reference / name)) << name;
        }
        for (const auto& name : ListDirectory(m_out)) {
            std::filesystem::remove(m_out / name);
        }
    }
}

// Whatever single operation fails, the step reports it, the input is either untouched or
// completely reversed, and a reversed input has its backup.
class ReverseInputFaults : public ReverseInput, public ::testing::WithParamInterface<std::string> {
protected:
    void CheckOutcome(int nResult, const std::string& input, const std::string& reversed) {
        EXPECT_EQ(nResult, 1);
        const std::string now = ReadFile(m_input);
        if (now == input) {
            EXPECT_EQ(m_job->m_bSkipRows, 1);
        } else {
            EXPECT_EQ(now, reversed);
            EXPECT_EQ(Backup(), input);
        }
    }
};

TEST_P(ReverseInputFaults, EverySingleFailureLeavesTheInputWholeOrReversed) {
    const std::string input = GetParam();
    SkipRows(1);
    CFaultyFileSystem counting;
    ASSERT_EQ(Reverse(input, counting), 0);
    const std::string reversed = ReadFile(m_input);
    const int nOperations = counting.OperationCount();
    const int nReads = counting.ReadCount();
    for (int n = 1; n <= nOperations; ++n) {
        SCOPED_TRACE("failing operation " + std::to_string(n));
        std::filesystem::remove(m_input.string() + ".BAK");
        CFaultyFileSystem fs;
        fs.FailAt(n);
        CheckOutcome(Reverse(input, fs), input, reversed);
    }
    for (int n = 1; n <= nReads; ++n) {
        SCOPED_TRACE("failing read " + std::to_string(n));
        CFaultyFileSystem fs;
        fs.FailReadAt(n);
        CheckOutcome(Reverse(input, fs), input, reversed);
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, ReverseInputFaults,
                         ::testing::Values("Date\n3,c\n\n2,b\n1,a",
                                           "Date\n" + std::string(150000, '3') + "\n2\n" + std::string(70000, '1')));
