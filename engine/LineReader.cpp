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

} // namespace

CLineReader::CLineReader(std::string_view text) : m_pData(text.data()), m_nEnd(text.size()), m_bEof(true) {}

CLineReader::CLineReader(CFile& file, std::size_t nChunk)
    : m_pFile(&file), m_nChunk(std::max<std::size_t>(nChunk, 1)), m_buffer(kMaxLineBytes + 1 + m_nChunk) {
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
    const std::size_t nRoom = std::min(m_nChunk, m_buffer.size() - m_nEnd);
    // One read at a time, so that what came before an error is still read as lines.
    const std::ptrdiff_t n = m_pFile->Read(m_buffer.data() + m_nEnd, nRoom);
    if (n < 0) {
        SetFault(ETextFault::ReadError, m_nLine + 1);
        return false;
    }
    m_nEnd += static_cast<std::size_t>(n);
    m_bEof = n == 0;
    return n > 0;
}

bool CLineReader::Ensure(std::size_t nBytes) {
    while (m_nEnd - m_nPos < nBytes && Fill()) {
    }
    return m_nEnd - m_nPos >= nBytes;
}

void CLineReader::SetFault(ETextFault fault, std::uint64_t nLine, unsigned char cByte) {
    m_fault = fault;
    m_nFaultLine = nLine;
    m_cFaultByte = cByte;
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

// After a Ctrl-Z the text has ended; anything but more Ctrl-Z makes the file binary.
bool CLineReader::CheckTail() {
    for (;;) {
        for (std::size_t i = m_nPos; i < m_nEnd; ++i) {
            if (m_pData[i] != kCtrlZ) {
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
        const auto* pStart = reinterpret_cast<const unsigned char*>(m_pData + m_nPos);
        const std::size_t nHave = m_nEnd - m_nPos;
        if (nHave >= 2 && ((pStart[0] == 0xFF && pStart[1] == 0xFE) || (pStart[0] == 0xFE && pStart[1] == 0xFF))) {
            SetFault(ETextFault::Utf16, 1);
        } else if (nHave >= 3 && pStart[0] == 0xEF && pStart[1] == 0xBB && pStart[2] == 0xBF) {
            m_nPos += 3;
        }
        if (m_fault != ETextFault::None) {
            return false;
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
    char byteText[8];
    std::snprintf(byteText, sizeof byteText, "0x%02X", m_cFaultByte);
    switch (m_fault) {
    case ETextFault::None:
        return {};
    case ETextFault::Utf16:
        return "The file is not plain text: it is UTF-16 (line 1 begins with a UTF-16 byte-order mark). "
               "Save it as UTF-8 (or Windows-1252) text.";
    case ETextFault::ControlByte:
        if (m_cFaultByte == 0) {
            return "The file is not plain text: " + strLine + " holds a NUL byte (UTF-16 or binary data).";
        }
        if (m_cFaultByte == static_cast<unsigned char>(kCtrlZ)) {
            return "The file is not plain text: " + strLine + " holds a Ctrl-Z (0x1A) before the end of the file.";
        }
        return "The file is not plain text: " + strLine + " holds the control byte " + byteText + ".";
    case ETextFault::ReadError:
        return "The file could not be read to its end (" + strLine + ").";
    }
    return {};
}
