#include "platform/FileSystem.h"

#include <algorithm>

#ifdef _WIN32
#include "platform/Win32Text.h"

// Windows paths are UTF-16; the standard library's own conversion throws on text that is not
// valid UTF-8 and on lone surrogates, which a Windows name may hold.
std::filesystem::path Utf8Path(std::string_view text) {
    return std::filesystem::path(Utf8ToWide(text));
}

std::string PathUtf8(const std::filesystem::path& path) {
    return WideToUtf8(path.native());
}
#else
std::filesystem::path Utf8Path(std::string_view text) {
    return std::filesystem::path(std::string(text));
}

std::string PathUtf8(const std::filesystem::path& path) {
    return path.native();
}
#endif

namespace {

bool EqualAsciiNoCase(std::string_view a, std::string_view b) {
    const auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return upper(x) == upper(y);
           });
}

} // namespace

std::optional<std::string> CFileSystem::FindNameNoCase(const std::filesystem::path& dir, const std::string& name) {
    const auto names = ListDirectory(dir.empty() ? std::filesystem::path(".") : dir);
    if (!names) {
        return std::nullopt;
    }
    // The smallest of several spellings wins, whatever order the folder lists them in.
    const std::string* pBest = nullptr;
    for (const std::string& entry : *names) {
        if (EqualAsciiNoCase(entry, name) && (pBest == nullptr || entry < *pBest)) {
            pBest = &entry;
        }
    }
    return pBest != nullptr ? std::optional<std::string>(*pBest) : std::nullopt;
}

std::ptrdiff_t ReadUpTo(CFile& file, void* pBuffer, std::size_t size) {
    auto* p = static_cast<unsigned char*>(pBuffer);
    std::size_t nDone = 0;
    while (nDone < size) {
        const std::ptrdiff_t n = file.Read(p + nDone, size - nDone);
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            break;
        }
        nDone += static_cast<std::size_t>(n);
    }
    return static_cast<std::ptrdiff_t>(nDone);
}

std::optional<std::string> ReadWholeFile(CFileSystem& fs, const std::filesystem::path& path,
                                         std::uint64_t nMaxBytes, EOpenMode mode) {
    auto pFile = fs.Open(path, mode);
    if (!pFile) {
        return std::nullopt;
    }
    const auto size = pFile->Size();
    if (!size || *size > nMaxBytes) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(*size), '\0');
    const std::ptrdiff_t n = ReadUpTo(*pFile, bytes.data(), bytes.size());
    if (n < 0) {
        return std::nullopt;
    }
    // A file that shrank meanwhile gives what it still holds; one that grew is read to its old size.
    bytes.resize(static_cast<std::size_t>(n));
    return bytes;
}
