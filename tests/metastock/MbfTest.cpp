// MBF singles: the byte examples of the format, the values MBF cannot hold, and the round
// trip through every exponent.
#include "metastock/Mbf.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

namespace {

std::uint32_t Bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

float FromBits(std::uint32_t bits) {
    return std::bit_cast<float>(bits);
}

const MbfSingle kZero{0x00, 0x00, 0x00, 0x00};

struct SExample {
    float fValue;
    MbfSingle bytes;
};

const SExample kExamples[] = {
    {1.0f, {0x00, 0x00, 0x00, 0x81}},
    {0.5f, {0x00, 0x00, 0x00, 0x80}},
    {100.0f, {0x00, 0x00, 0x48, 0x87}},
    {-2.5f, {0x00, 0x00, 0xA0, 0x82}},
    {991231.0f, {0xF0, 0xFF, 0x71, 0x94}},
    {1000105.0f, {0x90, 0x2A, 0x74, 0x94}},
    {990104.0f, {0x80, 0xB9, 0x71, 0x94}},
    {-1.0f, {0x00, 0x00, 0x80, 0x81}},
    // The fraction's low bytes are copied as they are, in file order.
    {FromBits(0x3F812345), {0x45, 0x23, 0x01, 0x81}},
};

} // namespace

TEST(Mbf, EncodesTheKnownValues) {
    for (const SExample& example : kExamples) {
        EXPECT_EQ(EncodeMbf(example.fValue), example.bytes) << example.fValue;
    }
}

TEST(Mbf, DecodesTheKnownValues) {
    for (const SExample& example : kExamples) {
        EXPECT_EQ(Bits(DecodeMbf(example.bytes)), Bits(example.fValue)) << example.fValue;
    }
}

TEST(Mbf, BothZerosEncodeAsFourZeroBytes) {
    EXPECT_EQ(EncodeMbf(0.0f), kZero);
    EXPECT_EQ(EncodeMbf(-0.0f), kZero);
}

TEST(Mbf, ExponentZeroDecodesToPositiveZero) {
    EXPECT_EQ(Bits(DecodeMbf(kZero)), 0u);
    // Sign and fraction bits mean nothing without an exponent.
    EXPECT_EQ(Bits(DecodeMbf(MbfSingle{0xFF, 0xFF, 0xFF, 0x00})), 0u);
    EXPECT_EQ(Bits(DecodeMbf(MbfSingle{0x12, 0x34, 0x80, 0x00})), 0u);
}

TEST(Mbf, ValuesOutsideTheRangeEncodeAsFourZeroBytes) {
    const float kOutside[] = {
        std::numeric_limits<float>::infinity(),
        -std::numeric_limits<float>::infinity(),
        std::numeric_limits<float>::quiet_NaN(),
        -std::numeric_limits<float>::quiet_NaN(),
        std::numeric_limits<float>::signaling_NaN(),
        std::numeric_limits<float>::denorm_min(),
        -std::numeric_limits<float>::denorm_min(),
        FromBits(0x007FFFFF), // the largest subnormal
        FromBits(0x80400000),
        std::ldexp(1.0f, 127),
        -std::ldexp(1.0f, 127),
        std::ldexp(1.5f, 127),
        std::numeric_limits<float>::max(),
        std::numeric_limits<float>::lowest(),
    };
    for (float value : kOutside) {
        EXPECT_EQ(EncodeMbf(value), kZero) << std::hexfloat << value;
    }
}

TEST(Mbf, TheEdgesOfTheRangeEncode) {
    // The largest single below 2^127 and the smallest normal one.
    EXPECT_EQ(EncodeMbf(FromBits(0x7EFFFFFF)), (MbfSingle{0xFF, 0xFF, 0x7F, 0xFF}));
    EXPECT_EQ(EncodeMbf(-FromBits(0x7EFFFFFF)), (MbfSingle{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(EncodeMbf(std::numeric_limits<float>::min()), (MbfSingle{0x00, 0x00, 0x00, 0x03}));
    EXPECT_EQ(EncodeMbf(-std::numeric_limits<float>::min()), (MbfSingle{0x00, 0x00, 0x80, 0x03}));
}

TEST(Mbf, ExponentsBelowTheSingleRangeDecodeToTheNearestSingle) {
    // MBF exponents 1 and 2 are 2^-128 and 2^-127: subnormal singles, not an infinity.
    EXPECT_EQ(DecodeMbf(MbfSingle{0x00, 0x00, 0x00, 0x02}), std::ldexp(1.0f, -127));
    EXPECT_EQ(DecodeMbf(MbfSingle{0x00, 0x00, 0x80, 0x01}), -std::ldexp(1.0f, -128));
    EXPECT_EQ(DecodeMbf(MbfSingle{0x00, 0x00, 0x40, 0x02}), std::ldexp(1.5f, -127));
    EXPECT_EQ(DecodeMbf(MbfSingle{0x00, 0x00, 0x00, 0x03}), std::numeric_limits<float>::min());
}

TEST(Mbf, EveryNormalSingleBelow2To127RoundTripsBitForBit) {
    std::mt19937 random(20240611u);
    std::uniform_int_distribution<std::uint32_t> fraction(0, 0x7FFFFF);
    std::size_t nChecked = 0;
    for (std::uint32_t sign = 0; sign <= 1; ++sign) {
        // IEEE exponents 1 to 253: every normal single below 2^127.
        for (std::uint32_t exponent = 1; exponent <= 253; ++exponent) {
            const std::uint32_t fixedFractions[] = {0, 1, 0x400000, 0x7FFFFF};
            auto check = [&](std::uint32_t frac) {
                const float value = FromBits((sign << 31) | (exponent << 23) | frac);
                const MbfSingle mbf = EncodeMbf(value);
                ASSERT_EQ(mbf[3], exponent + 2) << std::hexfloat << value;
                ASSERT_EQ(mbf[2] >> 7, sign) << std::hexfloat << value;
                ASSERT_EQ(Bits(DecodeMbf(mbf)), Bits(value)) << std::hexfloat << value;
                ++nChecked;
            };
            for (std::uint32_t frac : fixedFractions) {
                check(frac);
            }
            for (int i = 0; i < 400; ++i) {
                check(fraction(random));
            }
        }
    }
    EXPECT_EQ(nChecked, 2u * 253u * 404u);
}

TEST(Mbf, EveryMbfWithASingleExponentRoundTrips) {
    std::mt19937 random(7u);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int exponent = 3; exponent <= 255; ++exponent) {
        for (int i = 0; i < 200; ++i) {
            const MbfSingle mbf{static_cast<std::uint8_t>(byte(random)), static_cast<std::uint8_t>(byte(random)),
                                static_cast<std::uint8_t>(byte(random)), static_cast<std::uint8_t>(exponent)};
            ASSERT_EQ(EncodeMbf(DecodeMbf(mbf)), mbf) << exponent;
        }
    }
}

TEST(Mbf, ConvertsInPlace) {
    std::uint8_t bytes[4];
    const float value = -2.5f;
    std::memcpy(bytes, &value, 4);
    EncodeMbf(bytes, bytes);
    EXPECT_EQ((MbfSingle{bytes[0], bytes[1], bytes[2], bytes[3]}), (MbfSingle{0x00, 0x00, 0xA0, 0x82}));
    DecodeMbf(bytes, bytes);
    float back;
    std::memcpy(&back, bytes, 4);
    EXPECT_EQ(back, -2.5f);
}
