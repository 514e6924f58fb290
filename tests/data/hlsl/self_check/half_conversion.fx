// f32tof16 converts as Direct3D 11 converts float32 to float16: rounded
// toward zero, so 1 + 1.75 * 2^-10 gives 0x3C01 (round to nearest would give
// 0x3C02) and 65535 gives 0x7BFF; beyond the largest half, the largest half
// (never infinity); infinity stays infinity and NaN stays NaN; below 2^-14 a
// denormal half, truncated. The results are in the low 16 bits.
// profile: 5_0
// b0: uint 0x3F803800 0x477FFF00 0xC77FFF00 0x501502F9
// b0: uint 0x7F800000 0xFF800000 0x7FC00000 0x33E00000
// b0: uint 0x3EAAAAAB 0x80000000 0x00000001 0x477FE000
cbuffer Inputs : register(b0)
{
    uint4 first;  // 1 + 1.75 * 2^-10, 65535, -65535, 1e10
    uint4 second; // +infinity, -infinity, NaN, 1.75 * 2^-24
    uint4 third;  // 1/3, -0, the smallest float32 denormal, 65504
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
    check(f32tof16(asfloat(first.x)) == 0x3C01, 1);
    check(f32tof16(asfloat(first.y)) == 0x7BFF && f32tof16(asfloat(first.z)) == 0xFBFF, 2);
    check(f32tof16(asfloat(first.w)) == 0x7BFF && f32tof16(asfloat(third.w)) == 0x7BFF, 3);
    check(f32tof16(asfloat(second.x)) == 0x7C00 && f32tof16(asfloat(second.y)) == 0xFC00, 4);
    const uint nan = f32tof16(asfloat(second.z));
    check((nan & 0x7C00) == 0x7C00 && (nan & 0x3FF) != 0 && nan <= 0xFFFF, 5);
    check(f32tof16(asfloat(second.w)) == 0x0001, 6);
    check(f32tof16(asfloat(third.x)) == 0x3555, 7);
    check(f32tof16(asfloat(third.y)) == 0x8000 && f32tof16(asfloat(third.z)) == 0, 8);
    // Four at once, and literal operands.
    check(all(f32tof16(asfloat(first)) == uint4(0x3C01, 0x7BFF, 0xFBFF, 0x7BFF)), 9);
    check(f32tof16(65535.0) == 0x7BFF && f32tof16(1.0009765625 + 0.0007324219) == 0x3C01, 10);
    // The way back is exact, and is not the conversion above.
    check(f16tof32(0x3C01) == 1.0009765625 && f16tof32(f32tof16(asfloat(first.y))) == 65504, 11);
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
