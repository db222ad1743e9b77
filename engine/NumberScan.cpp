#include "engine/NumberScan.h"

#include <charconv>
#include <system_error>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// White space as "%f" skips it in the C locale.
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

} // namespace

std::optional<float> ScanNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    bool bNegative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        bNegative = text[i] == '-';
        ++i;
    }
    const std::size_t nStart = i;
    std::size_t nDigits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++nDigits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++nDigits;
        }
    }
    if (nDigits == 0) {
        return std::nullopt;
    }
    // An exponent counts only when at least one digit follows its letter and sign.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t k = i + 1;
        if (k < text.size() && (text[k] == '+' || text[k] == '-')) {
            ++k;
        }
        if (k < text.size() && IsDigit(text[k])) {
            while (k < text.size() && IsDigit(text[k])) {
                ++k;
            }
            i = k;
        }
    }
    float value = 0.0f;
    const char* pFirst = text.data() + nStart;
    const char* pLast = text.data() + i;
    const auto [pEnd, ec] = std::from_chars(pFirst, pLast, value, std::chars_format::general);
    // Out of range either way: MBF holds neither such large nor such small numbers.
    if (ec != std::errc() || pEnd != pLast) {
        return std::nullopt;
    }
    return bNegative ? -value : value;
}
