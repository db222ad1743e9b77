// Input preparation for files that run newest first: the input is backed up, its skipped
// rows and blank lines dropped, and its lines put in the opposite order, in place.

#include "engine/Converter.h"

#include "platform/FileSystem.h"
#include "platform/PathLookup.h"
#include "platform/TextReader.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr std::size_t kBlockBytes = 64 * 1024;
constexpr std::size_t kWholeLine = std::numeric_limits<std::size_t>::max();

// Text-mode writing as the files' platform does it: every LF goes out as CR LF.
bool WriteText(CFile& file, const std::string& text) {
    std::size_t nStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            if (!file.Write(text.data() + nStart, i - nStart) || !file.Write("\r\n", 2)) {
                return false;
            }
            nStart = i + 1;
        }
    }
    return file.Write(text.data() + nStart, text.size() - nStart);
}

bool ReadExactly(CFile& file, std::uint64_t offset, char* p, std::size_t size) {
    if (!file.Seek(offset)) {
        return false;
    }
    while (size > 0) {
        const std::ptrdiff_t n = file.Read(p, size);
        if (n <= 0) {
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies bytes [nStart, nEnd) of source to target in blocks, so that a line of any length
// costs no more memory than a block.
bool CopyRange(CFile& source, CFile& target, std::uint64_t nStart, std::uint64_t nEnd, std::vector<char>& buffer) {
    while (nStart < nEnd) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), nEnd - nStart));
        if (!ReadExactly(source, nStart, buffer.data(), n) || !target.Write(buffer.data(), n)) {
            return false;
        }
        nStart += n;
    }
    return true;
}

// Writes the lines of clean (each ended by CR LF, the last perhaps by nothing) to target in
// the opposite order, reading clean backwards a block at a time. A line without its end gets
// one, as every line of the prepared file ends with CR LF.
bool WriteReversed(CFile& clean, std::uint64_t nSize, CFile& target) {
    std::vector<char> block(kBlockBytes);
    std::vector<char> copyBuffer(kBlockBytes);
    std::uint64_t nLineEnd = nSize;   // end of the line still to be written
    std::uint64_t nBlockEnd = nSize;  // the part of the file not yet scanned ends here
    bool bFirst = true;
    const auto writeLine = [&](std::uint64_t nStart) {
        if (!CopyRange(clean, target, nStart, nLineEnd, copyBuffer)) {
            return false;
        }
        if (bFirst && nLineEnd > nStart) {
            // Only the file's last line can lack its LF.
            char last = 0;
            if (!ReadExactly(clean, nLineEnd - 1, &last, 1) || (last != '\n' && !target.Write("\r\n", 2))) {
                return false;
            }
        }
        bFirst = false;
        nLineEnd = nStart;
        return true;
    };
    while (nBlockEnd > 0) {
        const std::uint64_t nBlockStart = nBlockEnd > kBlockBytes ? nBlockEnd - kBlockBytes : 0;
        const auto nBytes = static_cast<std::size_t>(nBlockEnd - nBlockStart);
        if (!ReadExactly(clean, nBlockStart, block.data(), nBytes)) {
            return false;
        }
        for (std::size_t i = nBytes; i-- > 0;) {
            // An LF ends the line before it; the line after it starts here.
            const std::uint64_t nAfter = nBlockStart + i + 1;
            if (block[i] == '\n' && nAfter < nLineEnd && !writeLine(nAfter)) {
                return false;
            }
        }
        nBlockEnd = nBlockStart;
    }
    return nLineEnd == 0 || writeLine(0);
}

} // namespace

int CConverter::ReverseInput() {
    const auto dir = m_fs.GetCurrentDirectory();
    if (!dir) {
        return 1;
    }
    // The user's file is never replaced without its backup.
    if (!m_fs.CopyFile(m_strInputPath, m_strInputPath + ".BAK")) {
        return 1;
    }
    const std::filesystem::path cleanPath = EntryPathNoCase(*dir, "~CLEAN.TXT");
    const std::filesystem::path reversePath = EntryPathNoCase(*dir, "~REVERSE.TXT");
    const std::filesystem::path tempPath = EntryPathNoCase(*dir, "~TEMP.TXT");

    auto pClean = m_fs.Open(cleanPath, EOpenMode::Create);
    if (!pClean) {
        return 1;
    }
    auto pInput = m_fs.Open(m_strInputPath, EOpenMode::Read);
    if (!pInput) {
        pClean->Close();
        return 1;
    }
    CTextReader reader(std::move(pInput));
    std::string line;
    bool bOk = true;
    if (m_bSkipRows != 0) {
        for (int i = 0; i < m_nSkipRows && bOk; ++i) {
            bOk = reader.ReadLine(line, kWholeLine) != EReadStatus::Error;
        }
    }
    std::int64_t nKept = 0;
    while (bOk) {
        const EReadStatus status = reader.ReadLine(line, kWholeLine);
        if (status == EReadStatus::End) {
            break;
        }
        if (status == EReadStatus::Error) {
            bOk = false;
            break;
        }
        if (line == "\n") {
            continue;
        }
        bOk = WriteText(*pClean, line);
        ++nKept;
    }
    if (!pClean->Close() || !bOk || nKept == 0) {
        return 1;
    }
    pClean.reset();

    auto pReverse = m_fs.Open(reversePath, EOpenMode::Create);
    if (!pReverse || !pReverse->Close()) {
        return 1;
    }
    pReverse.reset();

    auto pSource = m_fs.Open(cleanPath, EOpenMode::Read);
    if (!pSource) {
        return 1;
    }
    const auto nSize = pSource->Size();
    auto pTemp = m_fs.Open(tempPath, EOpenMode::Create);
    if (!nSize || !pTemp) {
        return 1;
    }
    const bool bWritten = WriteReversed(*pSource, *nSize, *pTemp);
    if (!pTemp->Close() || !bWritten) {
        return 1;
    }
    pTemp.reset();
    pSource.reset();
    if (!m_fs.CopyFile(tempPath, reversePath)) {
        return 1;
    }
    m_bSkipRows = 0;
    if (!m_fs.CopyFile(reversePath, m_strInputPath)) {
        return 1;
    }
    const bool bRemoved = m_fs.RemoveFile(reversePath) & m_fs.RemoveFile(tempPath) & m_fs.RemoveFile(cleanPath);
    return bRemoved ? 0 : 1;
}
