#include "platform/TextReader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
constexpr char kEndOfText = 0x1A;

} // namespace

CTextReader::CTextReader(std::unique_ptr<CFile> pFile) : m_pFile(std::move(pFile)), m_buffer(kBufferSize) {}

// Keeps the unread bytes at the front (a CR waiting for its LF) and appends what the file
// gives next. False when nothing new arrived: the end, a Ctrl-Z, or an error.
bool CTextReader::Fill() {
    if (m_bEnd || m_bError) {
        return false;
    }
    if (!m_pFile) {
        m_bError = true;
        return false;
    }
    const std::size_t nKept = m_nEnd - m_nPos;
    if (nKept > 0 && m_nPos > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_nPos, nKept);
    }
    m_nPos = 0;
    m_nEnd = nKept;
    const std::ptrdiff_t n = m_pFile->Read(m_buffer.data() + m_nEnd, m_buffer.size() - m_nEnd);
    if (n < 0) {
        m_bError = true;
        return false;
    }
    if (n == 0) {
        m_bEnd = true;
        return false;
    }
    char* pNew = m_buffer.data() + m_nEnd;
    if (const void* pStop = std::memchr(pNew, kEndOfText, static_cast<std::size_t>(n))) {
        // Nothing after a Ctrl-Z is text, not even what a later read would bring.
        const std::size_t nBefore = static_cast<std::size_t>(static_cast<const char*>(pStop) - pNew);
        m_nEnd += nBefore;
        m_bEnd = true;
        return nBefore > 0;
    }
    m_nEnd += static_cast<std::size_t>(n);
    return true;
}

EReadStatus CTextReader::ReadLine(std::string& line, std::size_t nMaxChars) {
    line.clear();
    if (m_bError) {
        return EReadStatus::Error;
    }
    // A read of no characters would never advance; one character is the least a read takes.
    if (nMaxChars == 0) {
        nMaxChars = 1;
    }
    std::size_t nChars = 0;
    while (nChars < nMaxChars) {
        if (m_nPos == m_nEnd && !Fill()) {
            break;
        }
        const char* const pBegin = m_buffer.data() + m_nPos;
        const std::size_t nAvailable = std::min(m_nEnd - m_nPos, nMaxChars - nChars);
        const char* p = pBegin;
        const char* const pLimit = pBegin + nAvailable;
        while (p != pLimit && *p != '\n' && *p != '\r') {
            ++p;
        }
        const std::size_t nPlain = static_cast<std::size_t>(p - pBegin);
        line.append(pBegin, nPlain);
        nChars += nPlain;
        m_nPos += nPlain;
        if (p == pLimit) {
            continue;
        }
        if (*p == '\n') {
            line += '\n';
            ++m_nPos;
            return EReadStatus::Line;
        }
        // A CR: one LF when an LF follows, even if the LF is still in the file.
        if (m_nPos + 1 == m_nEnd) {
            Fill();
            if (m_bError) {
                break;
            }
        }
        if (m_nPos + 1 < m_nEnd && m_buffer[m_nPos + 1] == '\n') {
            line += '\n';
            m_nPos += 2;
            return EReadStatus::Line;
        }
        line += '\r';
        ++m_nPos;
        ++nChars;
    }
    if (m_bError) {
        line.clear();
        return EReadStatus::Error;
    }
    return nChars > 0 ? EReadStatus::Line : EReadStatus::End;
}
