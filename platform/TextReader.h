// Reads text lines with the original platform's text-mode semantics: a CR LF pair reads as
// one LF, a Ctrl-Z (0x1A) ends the text, and one read returns at most a given number of
// characters, the LF counting as one, so a longer line arrives in pieces.
#pragma once

#include "platform/FileSystem.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

enum class EReadStatus { Line, End, Error };

class CTextReader {
public:
    // A read of the original 300-byte line buffer: 299 characters.
    static constexpr std::size_t kLineChars = 299;

    explicit CTextReader(std::unique_ptr<CFile> pFile);

    // line receives the characters read, its LF included when the read reached one.
    EReadStatus ReadLine(std::string& line, std::size_t nMaxChars = kLineChars);

private:
    bool Fill();

    std::unique_ptr<CFile> m_pFile;
    std::vector<char> m_buffer;
    std::size_t m_nPos = 0;
    std::size_t m_nEnd = 0;
    bool m_bEnd = false;
    bool m_bError = false;
};
