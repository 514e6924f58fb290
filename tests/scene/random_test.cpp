#include "scene/random.h"

#include "bits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

TEST(Random, FirstSixValuesFromTheFixedSeeds)
{
    // B' and the float32 nearest (B' >> 16) / 32767: 3, 20, 55, 127, 292 and
    // 677 over 32767, rounded once.
    const std::pair<std::int32_t, std::uint32_t> expected[] = {{234568, 0x38C00180u},   {1359258, 0x3A200140u},
                                                               {3608639, 0x3ADC01B8u},  {8341969, 0x3B7E01FCu},
                                                               {19167887, 0x3C120124u}, {44428362, 0x3CA94153u}};
    randomA = 890123, randomB = 1, randomC = 234567;
    for (const auto& [b, bits] : expected) {
        EXPECT_EQ(Bits(NextRandom()), bits);
        EXPECT_EQ(randomB, b);
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
    EXPECT_TRUE(lowest >= -1.000030517578125f && lowest < -0.9f) << lowest;
    EXPECT_TRUE(highest > 0.9f && highest <= 1.0f) << highest;
}
