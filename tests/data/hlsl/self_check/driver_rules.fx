// Rules Direct3D 11 states where GLSL leaves the result to the driver, with
// operands from the constant buffer and as literals the compiler may fold:
// min and max (and clamp, saturate) with one NaN operand return the other;
// unsigned division and remainder by zero give 0xFFFFFFFF (udiv's rule);
// signed ones divide the magnitudes with udiv and give the quotient the sign
// of a ^ b, the remainder the dividend's sign, as the HLSL compiler lowers
// them (so by zero a >= 0 gives -1, a < 0 gives 1, and INT_MIN / -1 gives
// INT_MIN, INT_MIN % -1 gives 0); a shift uses the low 5 bits of its count; float32 denormals are flushed to zero by
// arithmetic but pass unchanged through moves and bit casts.
// profile: 5_0
// b0: uint 0x7FC00000 0 33 0x00000001
// b0: float 2 -3 0.5 1
// b0: int 7 -7 -2147483648 -1
cbuffer Inputs : register(b0)
{
    uint4 bits;     // NaN, 0, 33, the smallest denormal
    float4 numbers; // 2, -3, 0.5, 1
    int4 signedOps; // 7, -7, INT_MIN, -1
};

struct VSOut { float4 position : SV_Position; };

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    output.position = float4(position, 1.0);
    return output;
}

static uint failed = 0;
void check(bool ok, uint number)
{
    if (!ok && failed == 0)
        failed = number;
}

float4 ps_main(VSOut input) : SV_Target
{
    const float nan = asfloat(bits.x);
    check(min(nan, numbers.x) == 2 && min(numbers.x, nan) == 2, 1);
    check(max(nan, numbers.y) == -3 && max(numbers.y, nan) == -3, 2);
    check(clamp(nan, numbers.y, numbers.x) == numbers.y && saturate(nan) == 0, 3); // max first, then min
    const float literalNan = asfloat(0x7FC00000);
    check(min(literalNan, 2.0) == 2 && max(-3.0, literalNan) == -3 && saturate(literalNan) == 0, 4);
    const uint zero = bits.y;
    check(7u / zero == 0xFFFFFFFF && 7u % zero == 0xFFFFFFFF, 5);
    check(7u / 0u == 0xFFFFFFFF && 7u % 0u == 0xFFFFFFFF, 6); // glslang's parser would fold a literal x % 0u to x
    check((1u << bits.z) == 2u && (0x80000000u >> bits.z) == 0x40000000u && (-8 >> (int)bits.z) == -4, 7);
    check((1u << 33u) == 2u && (-8 >> 33) == -4, 8);
    const float denormal = asfloat(bits.w);
    check(asuint(denormal) == 1u, 9);                               // a move keeps it
    check(denormal * numbers.w == 0 && denormal + 0 == 0, 10);     // arithmetic flushes
    check(asuint(denormal * numbers.w) == 0 || asuint(denormal * numbers.w) == 0x80000000u, 11);
    check(asfloat(0x00800000u) * numbers.z == 0, 12);               // a denormal result flushes too
    const int izero = (int)bits.y;
    check(signedOps.x / izero == -1 && signedOps.y / izero == 1, 13);
    check(signedOps.x % izero == -1 && signedOps.y % izero == 1, 14);
    check(signedOps.z / signedOps.w == signedOps.z && signedOps.z % signedOps.w == 0, 15);
    const int2 pairs = signedOps.xy / int2(izero, izero);
    check(all(pairs == int2(-1, 1)) && all(signedOps.yx % int2(izero, 2) == int2(1, 1)), 16);
    check(signedOps.y / 2 == -3 && signedOps.y / signedOps.w == 7 && signedOps.y % -2 == -1, 17);
    // The same on values the optimizer folds, which the driver never sees.
    const float literalDenormal = asfloat(1u);
    check(asuint(literalDenormal) == 1u && asuint(-literalDenormal) == 0x80000001u, 18);
    check(asuint(literalDenormal * 1.0) == 0u && asuint(literalDenormal + 0.0) == 0u, 19);
    check(asuint(asfloat(0x00800000u) * 0.5) == 0u && asuint(asfloat(0x80800000u) * 0.5) == 0x80000000u, 20);
    check(literalDenormal > 0.0 == false && min(literalDenormal, 1.0) == 0.0, 21);
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
