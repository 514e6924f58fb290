// Packing and reinterpreting: asfloat/asint/asuint, f32tof16/f16tof32, and
// the arithmetic intrinsics post-processing leans on.
// expect: PS ps_5_0 compiles
// expect: PS4 ps_4_0 compiles
cbuffer Params : register(b0)
{
    uint4 g_packed;
    float4 g_values;
    float3 g_normal;
    float g_eta;
};

float4 PS(float4 pos : SV_Position) : SV_Target
{
    uint halves = f32tof16(g_values.x) | (f32tof16(g_values.y) << 16);
    float2 unpacked = float2(f16tof32(halves), f16tof32(halves >> 16));
    float bits = asfloat(g_packed.x) + asint(g_values.z) + asuint(g_values.w);
    float s, c;
    sincos(g_values.x, s, c);
    float3 r = reflect(-g_normal, float3(0, 1, 0)) + refract(-g_normal, float3(0, 1, 0), g_eta);
    float m = mad(g_values.x, g_values.y, g_values.z);
    return float4(unpacked, bits + s * c + m, smoothstep(0, 1, saturate(r.x)));
}

float4 PS4(float4 pos : SV_Position) : SV_Target
{
    int i = asint(g_values.x) >> 3;
    uint u = asuint(g_values.y) & 0xFF;
    return float4(i, u, firstbithigh(u), reversebits(u) >> 24);
}
