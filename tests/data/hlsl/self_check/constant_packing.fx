// Constant buffer members where HLSL's packing puts them and std140 would
// not: a scalar in the tail of an array's last register and of a matrix's
// last register, int, uint, float and bool mixed in one register, a vector
// after a structure, matrices of both majorities. The bytes below follow the
// documented rules: a member goes at the next 4-byte boundary unless it would
// straddle a register; arrays, matrices and structures start a register,
// every array element starts a register and the last one is not padded; a
// structure makes the next member start a register.
// b0: uint 11 0 0 0  12 0 0 0  13 14 float 1.5 2.5
// b0: int -1 -2 -3 uint 1  float 0.25 0 0 0  0.5 3 4 5
// b0: float 6 7 8 0
// b0: float 20 23 26 29  21 24 27 30  22 25 28 31
// b0: float 40 41 42 0  43 44 45 99
cbuffer Packed : register(b0)
{
    uint flags[3];     // bytes 0, 16, 32
    uint count;        // 36: the tail of flags[2]'s register
    float2 pair;       // 40
    int3 offsets;      // 48
    bool enabled;      // 60
    float weights[2];  // 64, 80
    float3 tail;       // 84: the tail of weights[1]'s register
    struct
    {
        float a;       // 96
        float2 b;      // 100
    } s;
    float4x3 m;        // 112: three column registers, m[r][c] = 20 + 3 r + c
    row_major float2x3 rm; // 160: two row registers, rm[r][c] = 40 + 3 r + c
    float last;        // 188: the tail of rm's last register
};

struct VSOut { float4 position : SV_Position; };

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    // The vertex stage reads the buffer too: a wrong read moves the quad.
    output.position = float4(position * (count == 14 && last == 99.0 ? 1.0 : 0.0), 1.0);
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
    uint index = (uint)input.position.x % 3;
    check(flags[0] == 11 && flags[1] == 12 && flags[2] == 13 && flags[index] == 11 + index, 1);
    check(count == 14, 2);
    check(all(pair == float2(1.5, 2.5)), 3);
    check(all(offsets == int3(-1, -2, -3)) && offsets[index] == -1 - (int)index, 4);
    check(enabled, 5);
    check(weights[0] == 0.25 && weights[1] == 0.5 && weights[index % 2] == 0.25 * (1 + index % 2), 6);
    check(all(tail == float3(3, 4, 5)), 7);
    check(s.a == 6 && all(s.b == float2(7, 8)), 8);
    bool matrixOk = true;
    for (uint r = 0; r < 4; ++r)
        for (uint c = 0; c < 3; ++c)
            matrixOk = matrixOk && m[r][c] == 20 + 3 * r + c;
    check(matrixOk, 9);
    check(all(m[1] == float3(23, 24, 25)) && all(mul(float4(0, 0, 1, 0), m) == float3(26, 27, 28)), 10);
    check(all(mul(m, float3(1, 0, 0)) == float4(20, 23, 26, 29)), 11);
    check(rm[0][2] == 42 && rm[1][0] == 43 && all(rm[1] == float3(43, 44, 45)), 12);
    check(all(mul(float2(0, 1), rm) == float3(43, 44, 45)) && all(mul(rm, float3(0, 0, 1)) == float2(42, 45)), 13);
    check(last == 99, 14);
    // Whole values copied out of the buffer.
    float4x3 copy = m;
    uint copiedFlags[3] = flags;
    check(copy[3][2] == 31 && copiedFlags[2] == 13 && copiedFlags[index] == 11 + index, 15);
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
