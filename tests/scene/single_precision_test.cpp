#include "scene/single_precision.h"

#include "bits.h"

#include <gtest/gtest.h>

TEST(SinglePrecision, ExactResultIsRoundedOnceToNearestEven)
{
    // The first operands put the double-precision result exactly on a
    // midpoint between two floats while the exact result lies just above
    // it: rounding through a double would pick the even neighbour 1.0f, a
    // single rounding gives the next float up. One unit lower, the exact
    // result falls below the midpoint. Then true ties, and exact results.
    const float up = 1.00000011920928955078125f; // 0x3F800001
    const struct {
        float (*operation)(double, double);
        double a, b;
        float expected;
    } cases[] = {
        {RoundSum, 1.0, 0x1.0000000010000p-24, up},
        {RoundSum, -1.0, -0x1.0000000010000p-24, -up},
        {RoundSum, 0x1.0000000010000p-24, 1.0, up},
        {RoundProduct, 3.0, 0x1.555556aaaaaabp-2, up},
        {RoundProduct, -3.0, 0x1.555556aaaaaabp-2, -up},
        {RoundProduct, 3.0, 0x1.555556aaaaaaap-2, 1.0f},
        {RoundQuotient, 1.0, 0x1.fffffe000001fp-1, up},
        {RoundQuotient, -1.0, 0x1.fffffe000001fp-1, -up},
        {RoundQuotient, 1.0, -0x1.fffffe000001fp-1, -up},
        {RoundQuotient, 1.0, 0x1.fffffe0000020p-1, 1.0f},
        {RoundSum, 1.0, 0x1p-24, 1.0f},
        {RoundSum, 1.0, 3 * 0x1p-24, 1.0f + 0x1p-22f},
        {RoundProduct, 1.0 + 0x1p-23, 1.0 + 0x1p-24, 1.0f + 0x1p-22f},
        {RoundSum, 1.5, 0.25, 1.75f},
        {RoundProduct, -2.0, 0.5, -1.0f},
        {RoundQuotient, 3.0, 4.0, 0.75f},
        {RoundProduct, -10.0, 0.0, -0.0f},
        {RoundQuotient, 0.0, -3.0, -0.0f},
        {RoundSum, -0.0, 0.0, 0.0f},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Bits(c.operation(c.a, c.b)), Bits(c.expected)) << c.a << " and " << c.b;
}
