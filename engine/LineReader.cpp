#include "engine/LineReader.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

enum EByteClass : unsigned char { kPlain, kLf, kCr, kBad, kEndOfText };

constexpr std::array<unsigned char, 256> MakeClasses() {
    std::array<unsigned char, 256> classes{};
    for (int c = 0; c < 0x20; ++c) {
        classes[static_cast<std::size_t>(c)] = kBad;
    }
    classes['\t'] = kPlain;
    classes['\n'] = kLf;
    classes['\r'] = kCr;
    classes[0x1A] = kEndOfText;
    classes[0x7F] = kBad;
    return classes;
}

constexpr std::array<unsigned char, 256> kClasses = MakeClasses();

unsigned char ClassOf(char c) {
    return kClasses[static_cast<unsigned char>(c)];
}

// The first byte from p on that is not plain, or pEnd; eight bytes at a time while none of
// them is below 0x20 or 0x7F (the test may stop early, never late).
const char* SkipPlain(const char* p, const char* pEnd) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHigh = 0x8080808080808080u;
    while (pEnd - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        const std::uint64_t del = word ^ (kOnes * 0x7F);
        if ((((word - kOnes * 0x20) & ~word) | ((del - kOnes) & ~del)) & kHigh) {
            break;
        }
        p += 8;
    }
    while (p != pEnd && ClassOf(*p) == kPlain) {
        ++p;
    }
    return p;
}

constexpr char kCtrlZ = 0x1A;

// Room kept free after a piece of decoded UTF-16: the most one character takes in UTF-8.
constexpr std::size_t kDecodeSlack = 4;

std::size_t EncodeUtf8(std::uint32_t nCode, char* pOut) {
    auto* p = reinterpret_cast<unsigned char*>(pOut);
    if (nCode < 0x80) {
        p[0] = static_cast<unsigned char>(nCode);
        return 1;
    }
    if (nCode < 0x800) {
        p[0] = static_cast<unsigned char>(0xC0 | nCode >> 6);
        p[1] = static_cast<unsigned char>(0x80 | (nCode & 0x3F));
        return 2;
    }
    if (nCode < 0x10000) {
        p[0] = static_cast<unsigned char>(0xE0 | nCode >> 12);
        p[1] = static_cast<unsigned char>(0x80 | (nCode >> 6 & 0x3F));
        p[2] = static_cast<unsigned char>(0x80 | (nCode & 0x3F));
        return 3;
    }
    p[0] = static_cast<unsigned char>(0xF0 | nCode >> 18);
    p[1] = static_cast<unsigned char>(0x80 | (nCode >> 12 & 0x3F));
    p[2] = static_cast<unsigned char>(0x80 | (nCode >> 6 & 0x3F));
    p[3] = static_cast<unsigned char>(0x80 | (nCode & 0x3F));
    return 4;
}

} // namespace

CLineReader::CLineReader(std::string_view text) : m_pData(text.data()), m_nEnd(text.size()), m_bEof(true) {}

CLineReader::CLineReader(CFile& file, std::size_t nChunk)
    : m_pFile(&file), m_nChunk(std::max<std::size_t>(nChunk, 1)), m_buffer(kMaxLineBytes + 1 + m_nChunk + kDecodeSlack) {
    m_pData = m_buffer.data();
}

// Keeps the unread bytes at the front (never more than one line's worth) and reads the next
// piece after them. False when nothing came: the end, or a read error (then a fault).
bool CLineReader::Fill() {
    if (m_bEof || m_fault != ETextFault::None) {
        return false;
    }
    const std::size_t nKept = m_nEnd - m_nPos;
    if (nKept > 0 && m_nPos > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_nPos, nKept);
    }
    m_nPos = 0;
    m_nEnd = nKept;
    if (m_bUtf16) {
        return FillUtf16();
    }
    const std::size_t nRoom = std::min(m_nChunk, m_buffer.size() - m_nEnd);
    // One read at a time, so that what came before an error is still read as lines.
    const std::ptrdiff_t n = m_pFile->Read(m_buffer.data() + m_nEnd, nRoom);
    if (n < 0) {
        SetFault(ETextFault::ReadError, CurrentLine());
        return false;
    }
    m_nEnd += static_cast<std::size_t>(n);
    m_bEof = n == 0;
    return n > 0;
}

// Decodes more UTF-16 behind the kept bytes; reads more of the source only when what is left
// does not make a whole character. A broken character is a fault once the text before it has
// been handed out.
bool CLineReader::FillUtf16() {
    for (;;) {
        const std::size_t nBefore = m_nEnd;
        DecodeUtf16();
        if (m_nEnd > nBefore) {
            return true;
        }
        if (m_bBadUnit) {
            SetFault(ETextFault::BrokenUtf16, CurrentLine(), m_nBadUnit);
            return false;
        }
        const std::size_t nLeft = m_nRawEnd - m_nRawPos;
        if (m_bSourceEnd) {
            if (nLeft > 0) {
                SetFault(ETextFault::BrokenUtf16, CurrentLine()); // an odd byte
                return false;
            }
            m_bEof = true;
            return false;
        }
        if (nLeft > 0 && m_nRawPos > 0) {
            std::memmove(m_raw.data(), m_raw.data() + m_nRawPos, nLeft);
        }
        m_nRawPos = 0;
        m_nRawEnd = nLeft;
        const std::ptrdiff_t n = ReadSource(m_raw.data() + nLeft, std::min(m_nChunk, m_raw.size() - nLeft));
        if (n < 0) {
            SetFault(ETextFault::ReadError, CurrentLine());
            return false;
        }
        m_nRawEnd += static_cast<std::size_t>(n);
        m_bSourceEnd = n == 0;
    }
}

// Whole characters from the read bytes into the buffer, as long as one more fits. Stops before
// a high surrogate whose other half is still to be read, and at half a character.
void CLineReader::DecodeUtf16() {
    const auto* pIn = reinterpret_cast<const unsigned char*>(m_raw.data());
    const auto unitAt = [&](std::size_t n) -> unsigned {
        return m_bBigEndian ? (unsigned{pIn[n]} << 8 | pIn[n + 1]) : (unsigned{pIn[n + 1]} << 8 | pIn[n]);
    };
    while (!m_bBadUnit && m_nRawEnd - m_nRawPos >= 2 && m_buffer.size() - m_nEnd >= kDecodeSlack) {
        const unsigned nUnit = unitAt(m_nRawPos);
        std::uint32_t nCode = nUnit;
        std::size_t nUnitBytes = 2;
        if (nUnit >= 0xD800 && nUnit <= 0xDFFF) {
            const bool bHigh = nUnit <= 0xDBFF;
            const bool bPairRead = m_nRawEnd - m_nRawPos >= 4;
            if (bHigh && !bPairRead && !m_bSourceEnd) {
                return;
            }
            const unsigned nLow = bHigh && bPairRead ? unitAt(m_nRawPos + 2) : 0;
            if (nLow < 0xDC00 || nLow > 0xDFFF) {
                m_bBadUnit = true;
                m_nBadUnit = nUnit;
                return;
            }
            nCode = 0x10000 + ((nUnit - 0xD800) << 10) + (nLow - 0xDC00);
            nUnitBytes = 4;
        }
        m_nEnd += EncodeUtf8(nCode, m_buffer.data() + m_nEnd);
        m_nRawPos += nUnitBytes;
    }
}

std::ptrdiff_t CLineReader::ReadSource(char* pTo, std::size_t nBytes) {
    if (m_pFile) {
        return m_pFile->Read(pTo, nBytes);
    }
    const std::size_t n = std::min(nBytes, m_source.size());
    if (n > 0) {
        std::memcpy(pTo, m_source.data(), n);
        m_source.remove_prefix(n);
    }
    return static_cast<std::ptrdiff_t>(n);
}

// From here on the bytes after the byte-order mark are UTF-16 to decode: those read already,
// then the rest of the file (or of the text in memory).
void CLineReader::StartUtf16(bool bBigEndian) {
    m_bUtf16 = true;
    m_bBigEndian = bBigEndian;
    const std::string_view rest(m_pData + m_nPos + 2, m_nEnd - m_nPos - 2);
    if (m_pFile) {
        m_raw.assign(std::max(rest.size(), m_nChunk + kDecodeSlack), '\0');
        std::copy(rest.begin(), rest.end(), m_raw.begin());
        m_nRawEnd = rest.size();
        m_bSourceEnd = m_bEof;
    } else {
        m_source = rest;
        m_nChunk = kDefaultChunk;
        m_buffer.resize(kMaxLineBytes + 1 + m_nChunk + kDecodeSlack);
        m_raw.resize(m_nChunk + kDecodeSlack);
    }
    m_pData = m_buffer.data();
    m_nPos = 0;
    m_nEnd = 0;
    m_bEof = false;
}

bool CLineReader::Ensure(std::size_t nBytes) {
    while (m_nEnd - m_nPos < nBytes && Fill()) {
    }
    return m_nEnd - m_nPos >= nBytes;
}

// The line that the bytes still to come belong to.
std::uint64_t CLineReader::CurrentLine() const {
    return m_bTail ? m_nTailLine : m_bDiscarding ? m_nLine : m_nLine + 1;
}

void CLineReader::SetFault(ETextFault fault, std::uint64_t nLine, unsigned nWhat) {
    m_fault = fault;
    m_nFaultLine = nLine;
    m_nFaultWhat = nWhat;
}

// The rest of a line too long to keep; false at a fault or at the end of the text.
bool CLineReader::Discard() {
    for (;;) {
        const char* const pEnd = m_pData + m_nEnd;
        const char* const p = SkipPlain(m_pData + m_nPos, pEnd);
        if (p != pEnd) {
            const unsigned char cls = ClassOf(*p);
            if (cls == kBad) {
                SetFault(ETextFault::ControlByte, m_nLine, static_cast<unsigned char>(*p));
                return false;
            }
            m_nPos = static_cast<std::size_t>(p - m_pData) + 1;
            m_bDiscarding = false;
            m_bCrPending = cls == kCr;
            if (cls == kEndOfText) {
                m_bTail = true;
                m_nTailLine = m_nLine;
            }
            return true;
        }
        m_nPos = m_nEnd;
        if (!Fill()) {
            m_bDone = m_fault == ETextFault::None;
            return false;
        }
    }
}

// After a Ctrl-Z the text has ended; anything but more Ctrl-Z and line ends makes the file
// binary.
bool CLineReader::CheckTail() {
    for (;;) {
        for (std::size_t i = m_nPos; i < m_nEnd; ++i) {
            if (m_pData[i] != kCtrlZ && m_pData[i] != '\n' && m_pData[i] != '\r') {
                SetFault(ETextFault::ControlByte, m_nTailLine, static_cast<unsigned char>(kCtrlZ));
                return false;
            }
        }
        m_nPos = m_nEnd;
        if (!Fill()) {
            m_bDone = m_fault == ETextFault::None;
            return false;
        }
    }
}

bool CLineReader::SkipLfAfterCr() {
    m_bCrPending = false;
    if (Ensure(1) && m_pData[m_nPos] == '\n') {
        ++m_nPos;
    }
    return m_fault == ETextFault::None;
}

bool CLineReader::Next(SPhysicalLine& line) {
    if (m_fault != ETextFault::None || m_bDone) {
        return false;
    }
    if (!m_bStarted) {
        m_bStarted = true;
        Ensure(3);
        if (m_fault != ETextFault::None) {
            return false;
        }
        const auto* pStart = reinterpret_cast<const unsigned char*>(m_pData + m_nPos);
        const std::size_t nHave = m_nEnd - m_nPos;
        if (nHave >= 2 && pStart[0] == 0xFF && pStart[1] == 0xFE) {
            StartUtf16(false);
        } else if (nHave >= 2 && pStart[0] == 0xFE && pStart[1] == 0xFF) {
            StartUtf16(true);
        } else if (nHave >= 3 && pStart[0] == 0xEF && pStart[1] == 0xBB && pStart[2] == 0xBF) {
            m_nPos += 3;
        }
    }
    while (m_bTail || m_bDiscarding || m_bCrPending) {
        if (m_bTail) {
            return CheckTail();
        }
        if (m_bDiscarding ? !Discard() : !SkipLfAfterCr()) {
            return false;
        }
    }

    auto emit = [&](std::size_t nStart, std::size_t nLength) {
        line.text = std::string_view(m_pData + nStart, std::min(nLength, kMaxLineBytes));
        line.bTooLong = nLength > kMaxLineBytes;
        line.nNumber = ++m_nLine;
        return true;
    };
    std::size_t nScanned = 0; // bytes of this line known to be plain
    for (;;) {
        // Past the longest line nothing is looked at before the line is handed out, so that
        // a fault behind it is met at the same line however the file arrives.
        const char* const pEnd = m_pData + std::min(m_nEnd, m_nPos + kMaxLineBytes + 1);
        const char* const p = SkipPlain(m_pData + m_nPos + nScanned, pEnd);
        const std::size_t nStart = m_nPos;
        if (p != pEnd) {
            const unsigned char cls = ClassOf(*p);
            if (cls == kBad) {
                SetFault(ETextFault::ControlByte, m_nLine + 1, static_cast<unsigned char>(*p));
                return false;
            }
            const std::size_t nLength = static_cast<std::size_t>(p - m_pData) - nStart;
            m_nPos = nStart + nLength + 1;
            if (cls == kEndOfText) {
                m_bTail = true;
                m_nTailLine = m_nLine + 1;
                if (nLength == 0) {
                    return CheckTail();
                }
            }
            m_bCrPending = cls == kCr;
            return emit(nStart, nLength);
        }
        nScanned = static_cast<std::size_t>(p - m_pData) - nStart;
        if (nScanned > kMaxLineBytes) {
            m_nPos = nStart + nScanned;
            m_bDiscarding = true;
            return emit(nStart, nScanned);
        }
        if (!Fill()) {
            if (m_fault != ETextFault::None) {
                return false;
            }
            // Fill may have moved the line to the front of the buffer.
            m_bDone = true;
            const std::size_t nLastStart = m_nPos;
            m_nPos = m_nEnd;
            return m_nEnd > nLastStart && emit(nLastStart, m_nEnd - nLastStart);
        }
    }
}

std::string CLineReader::FaultText() const {
    const std::string strLine = "line " + std::to_string(m_nFaultLine);
    char whatText[8];
    std::snprintf(whatText, sizeof whatText, m_fault == ETextFault::BrokenUtf16 ? "0x%04X" : "0x%02X", m_nFaultWhat);
    switch (m_fault) {
    case ETextFault::None:
        return {};
    case ETextFault::BrokenUtf16:
        if (m_nFaultWhat == 0) {
            return "The file is not plain text: it is UTF-16 but ends in half a character, on " + strLine +
                   " (an odd number of bytes).";
        }
        return "The file is not plain text: it is UTF-16 but " + strLine + " holds half a character (the lone surrogate " +
               whatText + ").";
    case ETextFault::ControlByte:
        if (m_nFaultWhat == 0) {
            return "The file is not plain text: " + strLine +
                   " holds a NUL byte (UTF-16 without a byte-order mark, or binary data).";
        }
        if (m_nFaultWhat == static_cast<unsigned char>(kCtrlZ)) {
            return "The file is not plain text: " + strLine + " holds a Ctrl-Z (0x1A) before the end of the file.";
        }
        return "The file is not plain text: " + strLine + " holds the control byte " + whatText + ".";
    case ETextFault::ReadError:
        return "The file could not be read to its end (" + strLine + ").";
    }
    return {};
}
