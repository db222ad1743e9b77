// The physical lines of a price file, from text in memory or streamed from a file through a
// buffer of fixed size, so that memory stays bounded whatever the file's size. Lines end at
// LF, CR LF or a lone CR; a last line without a line end is a line; a Ctrl-Z (0x1A) may end
// the text when nothing but Ctrl-Z and line ends follows (old DOS files end so); a UTF-8
// byte-order mark at the start is dropped. Text in UTF-16 with its byte-order mark (little-
// or big-endian: what "Unicode Text" exports and Windows PowerShell write) is handed out as
// the same lines in UTF-8, numbered as in the file. Content that is not plain text (NUL and
// other control bytes, so also UTF-16 without a byte-order mark, or UTF-16 that breaks off in
// half a character) stops the reading with a fault that names its line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CFile;

enum class ETextFault {
    None,
    BrokenUtf16, // half a UTF-16 character: a lone surrogate, or an odd byte at the end
    ControlByte, // NUL or another control byte (tab and line ends aside)
    ReadError,
};

struct SPhysicalLine {
    std::string_view text;   // without its line end; the first kMaxLineBytes bytes of a longer line
    std::uint64_t nNumber = 0; // from 1
    bool bTooLong = false;   // longer than kMaxLineBytes
};

class CLineReader {
public:
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;
    static constexpr std::size_t kDefaultChunk = 256 * 1024;

    explicit CLineReader(std::string_view text);
    // Reads the file in pieces of nChunk bytes (small pieces only in tests).
    explicit CLineReader(CFile& file, std::size_t nChunk = kDefaultChunk);

    // The next line, valid until the next call; false at the end of the text or at a fault.
    bool Next(SPhysicalLine& line);

    ETextFault Fault() const { return m_fault; }
    // The line where the fault lies.
    std::uint64_t FaultLine() const { return m_nFaultLine; }
    // "The file is not plain text: line 3 holds a NUL byte.", empty without a fault.
    std::string FaultText() const;

private:
    bool Fill();
    bool FillUtf16();
    void DecodeUtf16();
    std::ptrdiff_t ReadSource(char* pTo, std::size_t nBytes);
    void StartUtf16(bool bBigEndian);
    bool Ensure(std::size_t nBytes);
    std::uint64_t CurrentLine() const;
    void SetFault(ETextFault fault, std::uint64_t nLine, unsigned nWhat = 0);
    bool SkipLfAfterCr();
    bool CheckTail();
    bool Discard();

    CFile* m_pFile = nullptr;
    std::string_view m_source;  // text in memory that is decoded into the buffer (UTF-16)
    std::size_t m_nChunk = 0;
    std::vector<char> m_buffer; // lines as UTF-8, at most one line kept across a refill
    const char* m_pData = nullptr;
    std::size_t m_nPos = 0;
    std::size_t m_nEnd = 0;
    bool m_bEof = false;        // the source has nothing more
    bool m_bStarted = false;    // the byte-order mark has been looked at
    bool m_bCrPending = false;  // the last line ended with CR: a LF right after belongs to it
    bool m_bDiscarding = false; // inside a line too long to keep: its rest is skipped
    bool m_bTail = false;       // a Ctrl-Z was met: only Ctrl-Z and line ends may follow
    bool m_bDone = false;
    std::uint64_t m_nLine = 0;  // lines handed out so far
    std::uint64_t m_nTailLine = 0;
    ETextFault m_fault = ETextFault::None;
    std::uint64_t m_nFaultLine = 0;
    unsigned m_nFaultWhat = 0;  // the control byte, or the lone surrogate (0: an odd byte)

    // UTF-16: the bytes as read, not yet decoded.
    bool m_bUtf16 = false;
    bool m_bBigEndian = false;
    bool m_bSourceEnd = false;  // the last bytes have been read
    std::vector<char> m_raw;
    std::size_t m_nRawPos = 0;
    std::size_t m_nRawEnd = 0;
    bool m_bBadUnit = false;    // decoding stopped at half a character, m_nBadUnit
    unsigned m_nBadUnit = 0;
};
