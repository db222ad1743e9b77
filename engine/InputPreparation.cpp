// Input preparation for files that run newest first: the input is backed up, its skipped
// rows and blank lines dropped, and its lines put in the opposite order, in place.
//
// The kept lines go to "~CLEAN.TXT" in one pass; "~TEMP.TXT" then receives them in the
// opposite order from a second pass that reads "~CLEAN.TXT" backwards a block at a time.
// Both passes hold at most a block or two, whatever the length of the file or of a line.

#include "engine/Converter.h"

#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/PathLookup.h"
#include "platform/TextReader.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <system_error>
#include <vector>

namespace {

constexpr std::size_t kBlockBytes = 64 * 1024;

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

// Copies bytes [nStart, nEnd) of source to target in blocks, for a line longer than the
// block that found its start.
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

// Writes the nSize bytes of lines in clean (each ended by CR LF, the last perhaps by
// nothing) to target in the opposite order. The line without its end gets one, as every
// line of the prepared file ends with CR LF.
bool WriteReversed(CFile& clean, std::uint64_t nSize, CFile& target) {
    std::vector<char> block(kBlockBytes);
    std::vector<char> copyBuffer;
    std::uint64_t nLineEnd = nSize;   // end of the line still to be written
    std::uint64_t nBlockEnd = nSize;  // the part of the file not yet scanned ends here
    bool bLastEnded = true;           // the file's last line has its LF
    bool bFirst = true;
    // The line [nStart, nLineEnd); in the block when it ends there, else read again.
    const auto writeLine = [&](std::uint64_t nStart, std::uint64_t nBlockStart) {
        bool bOk = true;
        if (nLineEnd <= nBlockEnd) {
            bOk = target.Write(block.data() + (nStart - nBlockStart), static_cast<std::size_t>(nLineEnd - nStart));
        } else {
            copyBuffer.resize(kBlockBytes);
            bOk = CopyRange(clean, target, nStart, nLineEnd, copyBuffer);
        }
        if (bOk && bFirst && !bLastEnded) {
            bOk = target.Write("\r\n", 2);
        }
        bFirst = false;
        nLineEnd = nStart;
        return bOk;
    };
    while (nBlockEnd > 0) {
        const std::uint64_t nBlockStart = nBlockEnd > kBlockBytes ? nBlockEnd - kBlockBytes : 0;
        const auto nBytes = static_cast<std::size_t>(nBlockEnd - nBlockStart);
        if (!ReadExactly(clean, nBlockStart, block.data(), nBytes)) {
            return false;
        }
        if (nBlockEnd == nSize) {
            bLastEnded = block[nBytes - 1] == '\n';
        }
        for (std::size_t i = nBytes; i-- > 0;) {
            // An LF ends the line before it; the line after it starts here.
            const std::uint64_t nAfter = nBlockStart + i + 1;
            if (block[i] == '\n' && nAfter < nLineEnd && !writeLine(nAfter, nBlockStart)) {
                return false;
            }
        }
        if (nBlockStart == 0) {
            return nLineEnd == 0 || writeLine(0, 0);
        }
        nBlockEnd = nBlockStart;
    }
    return true;
}

// True when path names the same file as one of the working files, which the preparation
// truncates and deletes.
bool IsWorkingFile(const std::filesystem::path& path, std::initializer_list<const std::filesystem::path*> working) {
    for (const auto* pWorking : working) {
        std::error_code error;
        if (std::filesystem::equivalent(path, *pWorking, error)) {
            return true;
        }
    }
    return false;
}

} // namespace

int CConverter::ReverseInput() {
    const auto dir = m_fs.GetCurrentDirectory();
    if (!dir) {
        return 1;
    }
    const std::filesystem::path cleanPath = EntryPathNoCase(*dir, "~CLEAN.TXT");
    const std::filesystem::path reversePath = EntryPathNoCase(*dir, "~REVERSE.TXT");
    const std::filesystem::path tempPath = EntryPathNoCase(*dir, "~TEMP.TXT");
    if (IsWorkingFile(m_strInputPath, {&cleanPath, &reversePath, &tempPath})) {
        m_messages.Show("The input file cannot be reversed under the name ~CLEAN.TXT, ~REVERSE.TXT or "
                        "~TEMP.TXT in the output directory: the reversal needs those names for its "
                        "working files. Rename the file or choose another output directory.");
        return 1;
    }
    // The user's file is never replaced without its backup.
    if (!m_fs.CopyFile(m_strInputPath, m_strInputPath + ".BAK")) {
        return 1;
    }

    auto pClean = m_fs.Open(cleanPath, EOpenMode::Create);
    if (!pClean) {
        return 1;
    }
    auto pInput = m_fs.Open(m_strInputPath, EOpenMode::Read);
    if (!pInput) {
        pClean->Close();
        return 1;
    }
    // Lines are read in pieces of at most a block, so a line of any length is kept whole
    // without being held whole.
    CTextReader reader(std::move(pInput));
    std::string piece;
    bool bOk = true;
    if (m_bSkipRows != 0) {
        for (int i = 0; i < m_nSkipRows && bOk; ++i) {
            for (;;) {
                const EReadStatus status = reader.ReadLine(piece, kBlockBytes);
                bOk = status != EReadStatus::Error;
                if (status != EReadStatus::Line || piece.back() == '\n') {
                    break;
                }
            }
        }
    }
    std::int64_t nKept = 0;
    bool bLineStart = true;
    while (bOk) {
        const EReadStatus status = reader.ReadLine(piece, kBlockBytes);
        if (status == EReadStatus::End) {
            break;
        }
        if (status == EReadStatus::Error) {
            bOk = false;
            break;
        }
        const bool bStart = bLineStart;
        bLineStart = piece.back() == '\n';
        if (bStart && piece == "\n") {
            continue;
        }
        bOk = WriteText(*pClean, piece);
        nKept += bStart ? 1 : 0;
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
    if (!nSize || *nSize == 0) {
        return 1;
    }
    auto pTemp = m_fs.Open(tempPath, EOpenMode::Create);
    if (!pTemp) {
        return 1;
    }
    const bool bWritten = WriteReversed(*pSource, *nSize, *pTemp);
    if (!pTemp->Close() || !bWritten) {
        return 1;
    }
    pTemp.reset();
    pSource.reset();
    if (!m_fs.CopyFile(tempPath, reversePath) || !m_fs.CopyFile(reversePath, m_strInputPath)) {
        return 1;
    }
    // The skipped rows are gone from the input now; ConvertLines must not skip again.
    m_bSkipRows = 0;
    bool bRemoved = m_fs.RemoveFile(reversePath);
    bRemoved = m_fs.RemoveFile(tempPath) && bRemoved;
    bRemoved = m_fs.RemoveFile(cleanPath) && bRemoved;
    return bRemoved ? 0 : 1;
}
