// The stream buffer of std::cout and std::cerr on Windows: UTF-8 written in any pieces reaches
// a console as the same letters in UTF-16, a file as the same bytes, and a failed write makes
// the stream fail. Built into platform_tests on Windows only.
#ifdef _WIN32

#include "platform/Win32ConsoleBuffer.h"
#include "platform/Win32Text.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

// A console that keeps what it is shown.
class CRecordingConsole : public CConsoleBuffer {
public:
    explicit CRecordingConsole(bool bFails = false) : CConsoleBuffer(nullptr, true), m_bFails(bFails) {}
    ~CRecordingConsole() override { pubsync(); }
    std::wstring m_strShown;

protected:
    bool WriteWide(const wchar_t* pText, std::size_t nChars) override {
        m_strShown.append(pText, nChars);
        return !m_bFails;
    }

private:
    bool m_bFails;
};

// Letters of one, two, three and four bytes, a byte that starts no character, line ends.
const std::string kText = "Caf\xC3\xA9 \xE2\x82\xAC 12,50 \xF0\x9F\x93\x88 \xD0\x96\xD0\xB8 \xE6\xA0\xAA\r\n"
                          "\xFF" "x\tline 2: \xC3\x84rger\n";

void WriteInPieces(std::ostream& out, const std::string& text, std::size_t nPiece) {
    for (std::size_t i = 0; i < text.size(); i += nPiece) {
        out.write(text.data() + i, static_cast<std::streamsize>(std::min(nPiece, text.size() - i)));
        out.flush();
    }
}

} // namespace

TEST(Win32ConsoleBuffer, Utf8InAnyPiecesReachesTheConsoleAsTheSameLetters) {
    const std::wstring expected = Utf8ToWide(kText);
    ASSERT_NE(expected.find(L'\u20AC'), std::wstring::npos);
    for (std::size_t nPiece = 1; nPiece <= kText.size(); ++nPiece) {
        CRecordingConsole console;
        std::ostream out(&console);
        WriteInPieces(out, kText, nPiece);
        EXPECT_TRUE(out.good());
        EXPECT_EQ(console.m_strShown, expected) << "in pieces of " << nPiece;
    }
    // More than the buffer holds in one write, so that it fills in the middle of characters.
    std::string long_;
    for (int i = 0; i < 5000; ++i) {
        long_ += i % 3 == 0 ? "\xE2\x82\xAC" : i % 3 == 1 ? "\xF0\x9F\x93\x88" : "a";
    }
    CRecordingConsole console;
    std::ostream out(&console);
    out << long_ << std::flush;
    EXPECT_EQ(console.m_strShown, Utf8ToWide(long_));
}

TEST(Win32ConsoleBuffer, AFileOrPipeGetsTheBytesAsTheyAre) {
    CTempDir temp;
    const std::filesystem::path path = temp / "out.txt";
    const std::string text = kText + "\xE2\x82"; // ends in the middle of a character
    for (std::size_t nPiece : {1, 2, 5, 4096}) {
        const HANDLE hFile = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(CConsoleBuffer::IsConsole(hFile));
        {
            CConsoleBuffer file(hFile, false);
            std::ostream out(&file);
            WriteInPieces(out, text, nPiece);
            EXPECT_TRUE(out.good());
        }
        ::CloseHandle(hFile);
        EXPECT_EQ(ReadFile(path), text) << "in pieces of " << nPiece;
    }
}

TEST(Win32ConsoleBuffer, AWriteThatFailsMakesTheStreamFail) {
    EXPECT_FALSE(CConsoleBuffer::IsConsole(INVALID_HANDLE_VALUE));
    CConsoleBuffer nowhere(INVALID_HANDLE_VALUE, false);
    std::ostream toNowhere(&nowhere);
    toNowhere << "Conversion completed successfully!\n" << std::flush;
    EXPECT_TRUE(toNowhere.bad());

    CRecordingConsole failing(true);
    std::ostream toConsole(&failing);
    toConsole << std::string(5000, 'x');
    EXPECT_TRUE(toConsole.bad());
}

#endif
