#include "platform/Win32ConsoleBuffer.h"

#include <algorithm>
#include <string>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

// The bytes of text that end on a whole UTF-8 character: a character cut at the end of the
// buffer waits for its rest. A byte that cannot start a character counts as whole (it is
// shown as U+FFFD).
std::size_t WholeCharacters(const char* pText, std::size_t nBytes) {
    for (std::size_t nBack = 1; nBack <= 3 && nBack <= nBytes; ++nBack) {
        const auto c = static_cast<unsigned char>(pText[nBytes - nBack]);
        if ((c & 0xC0) == 0x80) {
            continue; // a continuation byte: its lead is further back
        }
        const std::size_t nLength = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 1;
        return nLength > nBack ? nBytes - nBack : nBytes;
    }
    return nBytes;
}

} // namespace

CConsoleBuffer::CConsoleBuffer(void* hOutput, bool bConsole) : m_hOutput(hOutput), m_bConsole(bConsole) {
    setp(m_buffer, m_buffer + kBufferBytes);
}

CConsoleBuffer::~CConsoleBuffer() {
    Flush();
}

bool CConsoleBuffer::IsConsole(void* hOutput) {
    // A console answers GetConsoleMode; a file, a pipe or the NUL device does not.
    DWORD nMode = 0;
    return hOutput != nullptr && hOutput != INVALID_HANDLE_VALUE && ::GetConsoleMode(hOutput, &nMode) != 0;
}

CConsoleBuffer::int_type CConsoleBuffer::overflow(int_type c) {
    if (!Flush()) {
        return traits_type::eof();
    }
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return traits_type::not_eof(c);
    }
    if (pptr() == epptr()) {
        return traits_type::eof(); // cannot happen: Flush keeps at most three bytes
    }
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int CConsoleBuffer::sync() {
    return Flush() ? 0 : -1;
}

// Writes what the buffer holds; in a console the end of a cut character stays for the next
// time.
bool CConsoleBuffer::Flush() {
    const auto nHeld = static_cast<std::size_t>(pptr() - pbase());
    const std::size_t nWrite = m_bConsole ? WholeCharacters(pbase(), nHeld) : nHeld;
    bool bOk = true;
    if (nWrite > 0) {
        if (m_bConsole) {
            std::wstring text(nWrite, L'\0'); // never more UTF-16 units than UTF-8 bytes
            const int nChars = ::MultiByteToWideChar(CP_UTF8, 0, pbase(), static_cast<int>(nWrite), text.data(),
                                                     static_cast<int>(text.size()));
            bOk = nChars > 0 && WriteWide(text.data(), static_cast<std::size_t>(nChars));
        } else {
            bOk = WriteBytes(pbase(), nWrite);
        }
    }
    const std::size_t nKept = nHeld - nWrite;
    for (std::size_t i = 0; i < nKept; ++i) {
        m_buffer[i] = pbase()[nWrite + i];
    }
    setp(m_buffer, m_buffer + kBufferBytes);
    pbump(static_cast<int>(nKept));
    return bOk;
}

bool CConsoleBuffer::WriteWide(const wchar_t* pText, std::size_t nChars) {
    while (nChars > 0) {
        DWORD nWritten = 0;
        const auto nPiece = static_cast<DWORD>(std::min<std::size_t>(nChars, 8192));
        if (!::WriteConsoleW(m_hOutput, pText, nPiece, &nWritten, nullptr) || nWritten == 0) {
            return false;
        }
        pText += nWritten;
        nChars -= nWritten;
    }
    return true;
}

bool CConsoleBuffer::WriteBytes(const char* pBytes, std::size_t nBytes) {
    while (nBytes > 0) {
        DWORD nWritten = 0;
        const auto nPiece = static_cast<DWORD>(std::min<std::size_t>(nBytes, 1u << 20));
        if (!::WriteFile(m_hOutput, pBytes, nPiece, &nWritten, nullptr) || nWritten == 0) {
            return false;
        }
        pBytes += nWritten;
        nBytes -= nWritten;
    }
    return true;
}
