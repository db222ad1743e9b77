#include "engine/NumberScan.h"

#include <charconv>
#include <cstdint>
#include <iterator>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace {

// Integers up to 2^24 and the powers of ten up to 10^10 are exact in a single, so a quotient of
// two of them is the correctly rounded value, the same that from_chars gives, in one division.
constexpr std::uint64_t kExactLimit = std::uint64_t{1} << 24;
constexpr std::uint64_t kTooMany = ~std::uint64_t{0};
constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The end of a run of digits from i; their value is added to nMantissa while it stays small.
std::size_t SkipDigits(std::string_view text, std::size_t i, std::uint64_t& nMantissa) {
    while (i < text.size() && IsDigit(text[i])) {
        nMantissa = nMantissa < kExactLimit ? nMantissa * 10 + static_cast<unsigned>(text[i] - '0') : kTooMany;
        ++i;
    }
    return i;
}

// 2^127: the first magnitude past the largest MBF exponent.
constexpr float kMbfLimit = 0x1p127f;

} // namespace

// The number without its thousands separators: 1,234,567.5 (or 1.234.567,5 with a decimal
// comma) as 1234567.5. Only groups of three digits after a first group of one to three that
// does not begin with 0, before the decimal mark: anything else (1,23, 12,3456 or 0,123) is no
// number. Empty when there is no
// separator in the whole part.
static std::string WithoutGrouping(std::string_view text, char cGroup, char cMark) {
    std::size_t i = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
    std::size_t nEnd = i;
    while (nEnd < text.size() && (IsDigit(text[nEnd]) || text[nEnd] == cGroup)) {
        ++nEnd;
    }
    const std::string_view whole = text.substr(i, nEnd - i);
    if (whole.find(cGroup) == std::string_view::npos ||
        (nEnd < text.size() && text[nEnd] != cMark && text[nEnd] != 'e' && text[nEnd] != 'E')) {
        return {};
    }
    // A first group that begins with 0 groups nothing: "0,123" is 0.123 typed with the other mark.
    if (whole.front() == '0') {
        return "x";
    }
    std::string plain(text.substr(0, i));
    std::size_t nGroup = 0;  // digits in the group being read
    bool bFirst = true;
    for (char c : whole) {
        if (c != cGroup) {
            plain += c;
            ++nGroup;
            continue;
        }
        if ((bFirst && (nGroup < 1 || nGroup > 3)) || (!bFirst && nGroup != 3)) {
            return "x"; // a separator in the wrong place: no number
        }
        bFirst = false;
        nGroup = 0;
    }
    if (nGroup != 3) {
        return "x";
    }
    plain += text.substr(nEnd);
    return plain;
}

static SNumberReading ReadLongNumber(std::string_view text, std::size_t nMark, char cMark, bool bNegativeExponent);

SNumberReading ReadNumber(std::string_view text, bool bDecimalComma) {
    SNumberReading reading;
    // Thousands separators, as spreadsheets write them, are read where they sit right.
    const char cGroup = bDecimalComma ? '.' : ',';
    if (text.find(cGroup) != std::string_view::npos) {
        const std::string plain = WithoutGrouping(text, cGroup, bDecimalComma ? ',' : '.');
        if (!plain.empty() && plain.find(cGroup) == std::string::npos) {
            return ReadNumber(plain, bDecimalComma);
        }
    }
    if (text.empty()) {
        reading.fault = ENumberFault::Empty;
        return reading;
    }
    const char cMark = bDecimalComma ? ',' : '.';
    std::size_t i = 0;
    if (text[0] == '+' || text[0] == '-') {
        ++i;
    }
    const std::size_t nIntStart = i;
    std::uint64_t nMantissa = 0; // the digits without the mark, kTooMany past 2^24
    i = SkipDigits(text, i, nMantissa);
    std::size_t nDigits = i - nIntStart;
    std::size_t nMark = std::string_view::npos;
    std::size_t nFraction = 0;
    if (i < text.size() && text[i] == cMark) {
        nMark = i;
        const std::size_t nFracStart = ++i;
        i = SkipDigits(text, i, nMantissa);
        nFraction = i - nFracStart;
        nDigits += nFraction;
    }
    bool bExponent = false;
    bool bNegativeExponent = false;
    if (nDigits > 0 && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        bExponent = true;
        std::size_t k = i + 1;
        if (k < text.size() && (text[k] == '+' || text[k] == '-')) {
            bNegativeExponent = text[k] == '-';
            ++k;
        }
        std::uint64_t nIgnored = 0;
        const std::size_t nExpEnd = SkipDigits(text, k, nIgnored);
        i = nExpEnd > k ? nExpEnd : text.size() + 1; // an exponent needs digits
    }
    if (nDigits == 0 || i != text.size()) {
        reading.fault = ENumberFault::NotNumber;
        return reading;
    }
    if (!bExponent && nMantissa <= kExactLimit && nFraction < std::size(kPowersOfTen)) {
        const float value = static_cast<float>(nMantissa) / kPowersOfTen[nFraction];
        reading.fValue = text[0] == '-' ? -value : value;
        return reading;
    }

    return ReadLongNumber(text, nMark, cMark, bNegativeExponent);
}

// A number past the quick way (many digits, an exponent): from_chars, which takes neither a
// plus sign nor a decimal comma, rounds it; a value MBF cannot hold is refused.
static SNumberReading ReadLongNumber(std::string_view text, std::size_t nMark, char cMark, bool bNegativeExponent) {
    SNumberReading reading;
    std::string_view number = text[0] == '+' ? text.substr(1) : text;
    std::string copy;
    if (nMark != std::string_view::npos && cMark != '.') {
        copy.assign(number);
        copy[nMark - (text.size() - number.size())] = '.';
        number = copy;
    }
    const char* pEnd = number.data() + number.size();
    float value = 0.0f;
    const auto result = std::from_chars(number.data(), pEnd, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Which way it overflowed: a double still holds most such numbers.
        double wide = 0.0;
        const auto wideResult = std::from_chars(number.data(), pEnd, wide, std::chars_format::general);
        const bool bSmall = wideResult.ec == std::errc() ? std::fabs(wide) < 1.0 : bNegativeExponent;
        reading.fault = bSmall ? ENumberFault::TooSmall : ENumberFault::TooLarge;
        return reading;
    }
    if (result.ec != std::errc() || result.ptr != pEnd) {
        reading.fault = ENumberFault::NotNumber;
        return reading;
    }
    const float magnitude = std::fabs(value);
    if (magnitude >= kMbfLimit) {
        reading.fault = ENumberFault::TooLarge;
    } else if (magnitude != 0.0f && magnitude < std::numeric_limits<float>::min()) {
        reading.fault = ENumberFault::TooSmall;
    } else {
        reading.fValue = value;
    }
    return reading;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view WithoutCurrency(std::string_view text, std::string_view currency, std::string& scratch) {
    if (currency.empty() || text.size() <= currency.size()) {
        return text;
    }
    if (text.substr(0, currency.size()) == currency) {
        return TrimBlanks(text.substr(currency.size()));
    }
    if (text.size() > currency.size() + 1 && (text[0] == '-' || text[0] == '+') &&
        text.substr(1, currency.size()) == currency) {
        scratch.assign(1, text[0]);
        scratch += TrimBlanks(text.substr(1 + currency.size()));
        return scratch;
    }
    if (text.substr(text.size() - currency.size()) == currency) {
        return TrimBlanks(text.substr(0, text.size() - currency.size()));
    }
    return text;
}
