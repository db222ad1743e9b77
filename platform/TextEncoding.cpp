#include "platform/TextEncoding.h"

#include <array>
#include <cstdint>

namespace {

// Code points of bytes 0x80 to 0x9F. The five bytes that the code page leaves undefined map
// to the C1 controls of the same number, as Windows maps them.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::optional<char> ToByte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<char>(c);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c) {
            return static_cast<char>(0x80 + i);
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> Utf8ToWindows1252(std::string_view text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        std::size_t nLength = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            nLength = 1;
            c = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            nLength = 2;
            c = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            nLength = 3;
            c = lead & 0x0F;
        } else {
            return std::nullopt; // four-byte sequences lie far outside the code page
        }
        if (i + nLength > text.size()) {
            return std::nullopt;
        }
        for (std::size_t k = 1; k < nLength; ++k) {
            const auto next = static_cast<std::uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return std::nullopt;
            }
            c = (c << 6) | (next & 0x3F);
        }
        const bool bOverlong = (nLength == 2 && c < 0x80) || (nLength == 3 && c < 0x800);
        const auto byte = bOverlong ? std::nullopt : ToByte(c);
        if (!byte) {
            return std::nullopt;
        }
        out += *byte;
        i += nLength;
    }
    return out;
}

std::string Windows1252ToUtf8(std::string_view text) {
    std::string out;
    for (char ch : text) {
        const auto byte = static_cast<std::uint8_t>(ch);
        if (byte >= 0x80 && byte < 0xA0) {
            AppendUtf8(out, kHighControls[byte - 0x80]);
        } else {
            AppendUtf8(out, byte);
        }
    }
    return out;
}

bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += n;
    }
    return true;
}

std::string UpperWindows1252(std::string text) {
    for (char& c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)) {
            c = static_cast<char>(u - 0x20);
        } else if (u == 0x9A || u == 0x9C || u == 0x9E) { // š œ ž
            c = static_cast<char>(u - 0x10);
        } else if (u == 0xFF) { // ÿ
            c = static_cast<char>(0x9F);
        }
    }
    return text;
}
