#include "scene/random.h"

#include "bits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

TEST(Random, FirstSixValuesFromTheFixedSeeds)
{
    randomA = 890123, randomB = 1, randomC = 234567;
    const std::int32_t expectedB[] = {234568, 1359258, 3608639, 8341969, 19167887, 44428362};
    const std::uint32_t expectedBits[] = {
        0x38C00180u, // 3 / 32767 = 9.155553e-05
        0x3A200140u, // 20 / 32767 = 6.1037019e-04
        0x3ADC01B8u, // 55 / 32767 = 1.6785180e-03
        0x3B7E01FCu, // 127 / 32767 = 3.8758507e-03
        0x3C120124u, // 292 / 32767 = 8.9114048e-03
        0x3CA94153u, // 677 / 32767 = 2.0661032e-02
    };
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Bits(NextRandom()), expectedBits[i]) << "value " << i;
        EXPECT_EQ(randomB, expectedB[i]) << "value " << i;
    }
}

TEST(Random, WrappingReachesBothEndsOfTheRange)
{
    // B + C wraps past INT32_MAX to INT32_MIN, whose top half is -32768.
    randomB = INT32_MAX, randomC = 1;
    EXPECT_EQ(Bits(NextRandom()), Bits(-1.000030517578125f));
    EXPECT_EQ(randomB, INT32_MIN);
    randomB = INT32_MAX, randomC = 0;
    EXPECT_EQ(Bits(NextRandom()), Bits(1.0f));

    randomA = 890123, randomB = 1, randomC = 234567;
    float lowest = 1.0f, highest = -1.0f;
    for (int i = 0; i < 100000; ++i) {
        const float value = NextRandom();
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
    }
    EXPECT_GE(lowest, -1.000030517578125f);
    EXPECT_LT(lowest, -0.9f);
    EXPECT_GT(highest, 0.9f);
    EXPECT_LE(highest, 1.0f);
}
