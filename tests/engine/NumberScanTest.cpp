// Numbers read by the quick exact path must be the very singles from_chars gives.
#include "engine/NumberScan.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

TEST(NumberScan, EveryShortDecimalIsTheNearestSingle) {
    const auto check = [](unsigned long long nMantissa, int nFraction) {
        char digits[40];
        std::snprintf(digits, sizeof digits, "%0*llu", nFraction + 1, nMantissa);
        const std::string_view all = digits;
        const std::size_t nPoint = all.size() - static_cast<std::size_t>(nFraction);
        std::string text = std::string(all.substr(0, nPoint)).append(".").append(all.substr(nPoint));
        float expected = 0.0f;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        ASSERT_EQ(ReadNumber(text, false).fValue, expected) << text;
        ASSERT_EQ(ReadNumber("-" + text, false).fValue, -expected) << text;
        text[text.find('.')] = ',';
        ASSERT_EQ(ReadNumber(text, true).fValue, expected) << text;
    };
    for (int nFraction = 0; nFraction <= 12; ++nFraction) {
        for (unsigned long long m = 0; m < (1u << 25) && !HasFailure(); m += 997) {
            check(m, nFraction);
        }
        for (unsigned long long m = (1u << 24) - 50; m < (1u << 24) + 50 && !HasFailure(); ++m) {
            check(m, nFraction);
        }
    }
}

// Thousands are grouped with the mark that is not the decimal mark, in threes, or not at all.
TEST(NumberScan, ThousandsSeparatorsOnlyWhereTheyCanBeNothingElse) {
    const struct {
        const char* pszText;
        bool bDecimalComma;
        float fValue; // NaN: no number
    } cases[] = {
        {"1,234.5", false, 1234.5f},    {"-1,234,567", false, -1234567.0f}, {"14.069,26", true, 14069.26f},
        {"1.234", true, 1234.0f},       {"1,234", false, 1234.0f},          {"1,23.5", false, NAN},
        {"12,3456", false, NAN},        {"1234,567", false, NAN},           {",123", false, NAN},
        {"1,234,56", false, NAN},       {"91,62", false, NAN},              {"1.234,5.6", true, NAN},
        {"1,234e3", false, 1234000.0f}, {"1.2,3", false, NAN},
    };
    for (const auto& c : cases) {
        const SNumberReading reading = ReadNumber(c.pszText, c.bDecimalComma);
        if (std::isnan(c.fValue)) {
            EXPECT_EQ(reading.fault, ENumberFault::NotNumber) << c.pszText;
        } else {
            EXPECT_EQ(reading.fault, ENumberFault::None) << c.pszText;
            EXPECT_EQ(reading.fValue, c.fValue) << c.pszText;
        }
    }
}
