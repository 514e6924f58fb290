// Integer arithmetic and bit intrinsics, as Direct3D 11 defines them: `/`
// truncates toward zero and `%` keeps the dividend's sign (as in C); shift
// counts use their low five bits; firstbithigh of a signed value finds the
// first bit that differs from the sign; unsigned division by zero gives
// 0xFFFFFFFF. Operands come from the constant buffer (computed on the GPU),
// as literals (folded by the front end) and from local variables (folded by
// the optimizer).
// b0: int -7 -2 -9 -3
// b0: int 7 2 9 3
// b0: uint 0xFFFFFFFF 0x80000000 33 1
// b0: int 0 -1 -2 -8
cbuffer Inputs : register(b0)
{
    int4 negatives; // -7, -2, -9, -3
    int4 positives; // 7, 2, 9, 3
    uint4 bits;     // 0xFFFFFFFF, 0x80000000, 33, 1
    int4 small;     // 0, -1, -2, -8
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
    // Remainder: the dividend's sign.
    check(negatives.x % negatives.y == -1, 1);  // -7 % -2
    check(negatives.z % negatives.w == 0, 2);   // -9 % -3
    check(negatives.x % positives.y == -1, 3);  // -7 % 2
    check(positives.x % negatives.y == 1, 4);   // 7 % -2
    check(positives.z % negatives.y == 1, 5);   // 9 % -2
    check(negatives.z % positives.y == -1, 6);  // -9 % 2
    check(all(negatives % positives.yyww == int4(-1, 0, 0, 0)), 7);
    int r = negatives.x;
    r %= positives.w; // -7 % 3
    check(r == -1, 8);
    check(-7 % -2 == -1 && 7 % -2 == 1 && -9 % -3 == 0 && -7 % 2 == -1, 9);
    int a = -7;
    int b = 2;
    int c = -2;
    check(a % b == -1 && -a % c == 1 && a % c == -1, 10);

    // Division truncates.
    check(negatives.x / positives.y == -3, 11);  // -7 / 2
    check(positives.x / negatives.y == -3, 12);  // 7 / -2
    check(negatives.x / negatives.y == 3, 13);   // -7 / -2
    check(-7 / 2 == -3 && a / c == 3, 14);

    // Unsigned arithmetic.
    check(bits.x / 2u == 0x7FFFFFFFu, 15);
    check(bits.x % 10u == 5u, 16);
    check(bits.x / positives.w == 1431655765u, 17); // int converts to uint

    // Unsigned division by zero gives all ones, quotient and remainder.
    check(bits.w / uint(small.x) == 0xFFFFFFFFu && bits.z % uint(small.x) == 0xFFFFFFFFu, 34);

    // Shifts: arithmetic for int, logical for uint, count modulo 32.
    check(small.w >> 1 == -4, 18);
    check(bits.x >> 28 == 15u, 19);
    check(bits.w << bits.z == 2u, 20);
    check((small.y << 31) == int(0x80000000), 21);

    // Bit operations.
    check((bits.x ^ bits.y) == 0x7FFFFFFFu, 22);
    check((bits.y | bits.w) == 0x80000001u && (bits.x & bits.w) == 1u, 23);
    check(~bits.y == 0x7FFFFFFFu, 24);

    // Bit intrinsics.
    check(countbits(bits.x) == 32u && countbits(bits.y) == 1u && countbits(uint(small.z)) == 31u, 25);
    check(firstbithigh(bits.y) == 31u && firstbithigh(bits.w) == 0u, 26);
    check(firstbithigh(uint(small.x)) == 0xFFFFFFFFu, 27);
    check(firstbithigh(small.z) == 0 && firstbithigh(small.w) == 2 && firstbithigh(small.y) == -1, 28);
    check(firstbithigh(positives.z) == 3, 29);
    check(firstbitlow(bits.y) == 31u && firstbitlow(uint(small.x)) == 0xFFFFFFFFu && firstbitlow(12u + bits.w - 1u) == 2u, 30);
    check(reversebits(bits.w) == 0x80000000u && reversebits(bits.y) == 1u, 31);
    check(abs(small.w) == 8 && min(small.w, small.y) == -8 && max(bits.x, bits.w) == 0xFFFFFFFFu, 32);

    // A signed operand meets an unsigned one as unsigned.
    check(!(small.y < int(bits.w)) == false && !(uint(small.y) < bits.w), 33);

    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
