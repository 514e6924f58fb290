// Face and primitive system values, early depth, level-of-detail queries,
// a typedef and a tbuffer.
// expect: PS ps_4_0 compiles
// expect: PSLod ps_4_1 compiles
// expect: PSEarly ps_5_0 compiles
typedef float4 color;
typedef float3 direction;
Texture2D g_diffuse : register(t0);
SamplerState g_aniso : register(s0);
tbuffer tbLookup : register(t1) { float4 g_palette[16]; };

color PS(float4 pos : SV_Position, float2 uv : TEXCOORD0, bool front : SV_IsFrontFace, uint prim : SV_PrimitiveID) : SV_Target
{
    direction n = front ? direction(0, 0, 1) : direction(0, 0, -1);
    color c = g_diffuse.SampleBias(g_aniso, uv, -1);
    return c * (n.z * 0.5 + 0.5) + (prim % 2) * 0.1;
}

color PSLod(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    float lod = g_diffuse.CalculateLevelOfDetail(g_aniso, uv);
    return g_diffuse.SampleLevel(g_aniso, uv, floor(lod));
}

[earlydepthstencil]
color PSEarly(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    return g_diffuse.Sample(g_aniso, uv, int2(-1, 1));
}
