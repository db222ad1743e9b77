#include "platform/FileSystem.h"

std::filesystem::path Utf8Path(std::string_view text) {
    // char8_t text is taken as UTF-8 on every system; plain char would be the ANSI code page on Windows.
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string PathUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
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
                                         std::uint64_t nMaxBytes) {
    auto pFile = fs.Open(path, EOpenMode::Read);
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
