// Floating-point intrinsics and conversions whose GLSL namesakes are defined
// differently, as Direct3D 11 and the HLSL documentation define them:
// fmod(x, y) and x % y are x - y * trunc(x / y), with the sign of x, for
// literal operands too; sign() returns an int; frac(x)
// is x - floor(x); round() takes halfway cases to the even neighbour;
// rcp(x) is 1 / x; lerp(x, y, s) is x + s * (y - x); comparisons with NaN
// are false except !=, and NaN converts to true; float to int truncates,
// clamps out-of-range values and turns NaN into 0; ldexp(x, e) is
// x * exp2(e), e a float; lit()'s specular term is (n.h)^m. Operands come
// from the constant buffer, as literals and from local variables.
// b0: float -7.5 2 7.5 -2
// b0: float 0.5 1.5 2.5 -2.5
// b0: float 100000000 1 0 -1.25
// b0: uint 0x7FC00000 0x80000000 0 0
// b0: float 3e9 -3e9 5e9 -1.7
// b0: float 0.5 0.25 3 8
// b0: float -0.5 1000 1 0.25
cbuffer Inputs : register(b0)
{
    float4 operands;   // -7.5, 2, 7.5, -2
    float4 halves;     // 0.5, 1.5, 2.5, -2.5
    float4 values;     // 1e8, 1, 0, -1.25
    uint4 patterns;    // NaN, -0.0
    float4 outOfRange; // 3e9, -3e9, 5e9, -1.7
    float4 lighting;   // 0.5, 0.25, 3, 8
    float4 more;       // -0.5, 1000, 1, 0.25
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
    // fmod and % keep the dividend's sign.
    check(fmod(operands.x, operands.y) == -1.5, 1);  // fmod(-7.5, 2)
    check(fmod(operands.z, operands.w) == 1.5, 2);   // fmod(7.5, -2)
    check(fmod(operands.x, operands.w) == -1.5 && fmod(operands.z, operands.y) == 1.5, 3);
    check(operands.x % operands.y == -1.5 && operands.z % operands.w == 1.5, 4);
    check(all(fmod(operands, operands.yyww) == float4(-1.5, 0, 1.5, 0)), 5);
    float x = -7.5;
    float y = 2;
    check(fmod(x, y) == -1.5 && fmod(-x, -y) == 1.5, 7);
    // Literal operands, which the front end folds while parsing.
    check(fmod(-7.5, 2) == -1.5 && fmod(7.5, -2) == 1.5 && fmod(-7, 2) == -1, 40);
    check(all(fmod(float2(-7.5, 7.5), float2(2, -2)) == float2(-1.5, 1.5)), 41);
    const float2x2 remainders = fmod(float2x2(-7.5, 7.5, 5, -5), float2x2(2, -2, 3, 3));
    check(all(remainders[0] == float2(-1.5, 1.5)) && all(remainders[1] == float2(2, -2)), 42);

    // frac of a negative value is x - floor(x).
    check(frac(values.w) == 0.75 && frac(-1.25) == 0.75, 8);

    // round: halfway cases to the even neighbour.
    check(all(round(halves) == float4(0, 2, 2, -2)), 9);
    check(round(0.5) == 0 && round(2.5) == 2 && round(-2.5) == -2, 10);

    // rcp, ldexp.
    check(rcp(operands.y) == 0.5 && rcp(halves.x) == 2, 11);
    check(ldexp(halves.y, operands.y) == 6 && ldexp(values.y, -values.y) == 0.5, 12);
    check(abs(ldexp(values.y, halves.x) - 1.4142135) < 1e-6 && abs(ldexp(operands.y, -halves.y) - 0.70710678) < 1e-6, 30);

    // lerp: x + s * (y - x), its ends included.
    check(lerp(operands.y, operands.w, halves.x) == 0 && lerp(values.x, values.y, values.z) == values.x, 13);
    check(lerp(values.x, values.y, values.y) == 0, 14); // 1e8 + (1 - 1e8) rounds to 0

    // NaN compares false, except !=.
    const float nan = asfloat(patterns.x);
    check(!(nan == nan) && nan != nan && !(nan < 1) && !(nan > 1) && !(nan <= 1) && !(nan >= 1), 15);
    check(isnan(nan) && !isnan(values.y), 16);
    // A float is true where it is not equal to zero: NaN is true, -0 false.
    check((bool)nan && any(float2(nan, 0)) && all(float2(nan, 1)) && (nan ? true : false), 38);
    check(!(bool)asfloat(patterns.y) && !any(float2(asfloat(patterns.y), 0)), 39);

    // The sign of zero is kept.
    check(asuint(asfloat(patterns.y)) == 0x80000000u && asuint(-values.z) == 0x80000000u, 17);
    check(asuint(-0.0) == 0x80000000u, 18);

    // Float to integer: toward zero, clamped to the type's range, NaN to 0.
    check(int(outOfRange.w) == -1 && int(halves.w) == -2 && uint(halves.z) == 2u, 19);
    check(int(outOfRange.x) == 2147483647 && int(outOfRange.y) == -2147483647 - 1, 24);
    check(uint(outOfRange.z) == 0xFFFFFFFFu && uint(outOfRange.w) == 0u && uint(outOfRange.y) == 0u, 25);
    check(int(nan) == 0 && uint(nan) == 0u, 26);
    check(all(int2(outOfRange.xy) == int2(2147483647, -2147483647 - 1)) && all(uint2(outOfRange.zw) == uint2(0xFFFFFFFFu, 0u)), 27);
    check(all(int4(nan, outOfRange.xyw) == int4(0, 2147483647, -2147483647 - 1, -1)), 28);
    float big = 3e9;
    check(int(big) == 2147483647 && uint(-big) == 0u, 29);

    // sign() returns an int: -1 / 2 is 0 in integer division.
    check(sign(-3.0) / 2 == 0 && sign(operands.x) / 2 == 0 && sign(0.0) == 0 && sign(-values.z) == 0, 43);
    check(all(sign(float3(-2.5, 0, 4)) == int3(-1, 0, 1)) && all(sign(int2(-5, 7)) / 2 == int2(0, 0)), 44);

    // Operand order of the two-argument intrinsics.
    check(step(operands.y, operands.z) == 1 && step(operands.z, operands.y) == 0, 20);
    check(abs(atan2(values.y, values.z) - 1.5707964) < 1e-6, 21);
    check(saturate(values.w) == 0 && saturate(operands.z) == 1, 22);

    // modf: both parts take the sign of x.
    float whole;
    const float part = modf(halves.w, whole);
    check(part == -0.5 && whole == -2, 23);

    // Intrinsics glslang writes out itself. lit(n.l, n.h, m) is
    // (1, max(n.l, 0), n.l < 0 || n.h < 0 ? 0 : (n.h)^m, 1).
    const float4 lightingTerms = lit(lighting.x, lighting.y, lighting.z);
    check(all(lightingTerms.xyw == float3(1, 0.5, 1)) && abs(lightingTerms.z - 0.015625) < 1e-7, 31);
    check(all(lit(more.x, lighting.y, lighting.z) == float4(1, 0, 0, 1)) && lit(lighting.x, more.x, 2).z == 0, 32);
    check(all(dst(lighting, more) == float4(1, lighting.y * more.y, lighting.z, more.w)), 33);
    check(abs(log10(more.y) - 3) < 1e-5, 34);
    float exponent;
    check(frexp(lighting.w, exponent) == 0.5 && exponent == 4, 35);
    float sine, cosine;
    sincos(lighting.z, sine, cosine);
    check(abs(sine - sin(lighting.z)) < 1e-6 && abs(cosine - cos(lighting.z)) < 1e-6, 36);
    check(all(D3DCOLORtoUBYTE4(float4(more.z, 0, lighting.x, more.w)) == int4(127, 0, 255, 63)), 37);

    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
