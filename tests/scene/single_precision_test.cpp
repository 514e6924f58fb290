#include "scene/single_precision.h"

#include "bits.h"

#include <gtest/gtest.h>

// The operands below are chosen so that the double-precision result lands
// exactly on a midpoint between two floats although the exact result lies
// just above it: rounding through a double would pick the even neighbour
// 1.0f, a single rounding gives the next float up. The expected values come
// from exact rational arithmetic.

constexpr float kOneUp = 1.00000011920928955078125f; // 0x3F800001

TEST(SinglePrecision, SumRoundsExactResultOnce)
{
    const double justOverHalfUlp = 0x1.0000000010000p-24;
    EXPECT_EQ(Bits(RoundSum(1.0, justOverHalfUlp)), Bits(kOneUp));
    EXPECT_EQ(Bits(RoundSum(-1.0, -justOverHalfUlp)), Bits(-kOneUp));
    EXPECT_EQ(Bits(RoundSum(justOverHalfUlp, 1.0)), Bits(kOneUp));
}

TEST(SinglePrecision, ProductRoundsExactResultOnce)
{
    const double third = 0x1.555556aaaaaabp-2;
    EXPECT_EQ(Bits(RoundProduct(3.0, third)), Bits(kOneUp));
    EXPECT_EQ(Bits(RoundProduct(-3.0, third)), Bits(-kOneUp));
    // One unit lower the exact product falls below the midpoint.
    EXPECT_EQ(Bits(RoundProduct(3.0, 0x1.555556aaaaaaap-2)), Bits(1.0f));
}

TEST(SinglePrecision, QuotientRoundsExactResultOnce)
{
    const double divisor = 0x1.fffffe000001fp-1;
    EXPECT_EQ(Bits(RoundQuotient(1.0, divisor)), Bits(kOneUp));
    EXPECT_EQ(Bits(RoundQuotient(-1.0, divisor)), Bits(-kOneUp));
    EXPECT_EQ(Bits(RoundQuotient(1.0, -divisor)), Bits(-kOneUp));
    EXPECT_EQ(Bits(RoundQuotient(1.0, 0x1.fffffe0000020p-1)), Bits(1.0f));
}

TEST(SinglePrecision, TrueTiesGoToEven)
{
    EXPECT_EQ(Bits(RoundSum(1.0, 0x1p-24)), Bits(1.0f));
    EXPECT_EQ(Bits(RoundSum(1.0, 3 * 0x1p-24)), Bits(1.0f + 0x1p-22f));
    EXPECT_EQ(Bits(RoundProduct(1.0 + 0x1p-23, 1.0 + 0x1p-24)), Bits(1.0f + 0x1p-22f));
}

TEST(SinglePrecision, ExactResultsAndSignedZerosPassThrough)
{
    EXPECT_EQ(RoundSum(1.5, 0.25), 1.75f);
    EXPECT_EQ(RoundProduct(-2.0, 0.5), -1.0f);
    EXPECT_EQ(RoundQuotient(3.0, 4.0), 0.75f);
    EXPECT_EQ(Bits(RoundProduct(-10.0, 0.0)), Bits(-0.0f));
    EXPECT_EQ(Bits(RoundQuotient(0.0, -3.0)), Bits(-0.0f));
    EXPECT_EQ(Bits(RoundSum(-0.0, 0.0)), Bits(0.0f));
}
