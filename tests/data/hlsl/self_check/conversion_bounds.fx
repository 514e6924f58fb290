// Float to integer at the edges of the integer range, where Direct3D 11's
// clamp begins: a float converts toward zero when the result fits, and
// clamps to the nearest end of the range when it does not. The floats next
// to each limit are given as bit patterns, one unit in the last place apart:
// 2^31 - 128 (0x4EFFFFFF) is the largest float below 2^31 and fits an int;
// 2^31 (0x4F000000) does not. -2^31 (0xCF000000) fits exactly; the next
// float below it, -2^31 - 256 (0xCF000001), does not. 2^32 - 256
// (0x4F7FFFFF) is the largest float below 2^32 and fits a uint; 2^32
// (0x4F800000) does not.
// b0: uint 0x4EFFFFFF 0x4F000000 0xCF000000 0xCF000001
// b0: uint 0x4F7FFFFF 0x4F800000 0 0
cbuffer Inputs : register(b0)
{
    uint4 signedEdges;   // 2^31 - 128, 2^31, -2^31, -2^31 - 256
    uint4 unsignedEdges; // 2^32 - 256, 2^32
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
    const float4 s = asfloat(signedEdges);
    const float2 u = asfloat(unsignedEdges.xy);
    check(int(s.x) == 2147483520, 1);
    check(int(s.y) == 2147483647, 2);
    check(int(s.z) == -2147483647 - 1, 3);
    check(int(s.w) == -2147483647 - 1, 4);
    check(all(int4(s) == int4(2147483520, 2147483647, -2147483647 - 1, -2147483647 - 1)), 5);
    check(uint(u.x) == 4294967040u, 6);
    check(uint(u.y) == 0xFFFFFFFFu, 7);
    check(all(uint2(u) == uint2(4294967040u, 0xFFFFFFFFu)), 8);
    // The signed limits converted to uint: 2^31 - 128 and 2^31 fit.
    check(uint(s.x) == 2147483520u && uint(s.y) == 2147483648u && uint(s.z) == 0u, 9);

    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
