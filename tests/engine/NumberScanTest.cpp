// Numbers read by the quick exact path must be the very singles from_chars gives.
#include "engine/NumberScan.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <string>

TEST(NumberScan, EveryShortDecimalIsTheNearestSingle) {
    const auto check = [](unsigned long long nMantissa, int nFraction) {
        char digits[40];
        std::snprintf(digits, sizeof digits, "%0*llu", nFraction + 1, nMantissa);
        std::string text = digits;
        text.insert(text.size() - static_cast<std::size_t>(nFraction), ".");
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
