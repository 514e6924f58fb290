// Deferred shading's G-buffer: several targets, depth output, coverage,
// clip and discard, derivatives.
// expect: PS ps_4_0 compiles
// expect: PSDepth ps_4_0 compiles
// expect: PSCoverage ps_4_1 compiles
// expect: PSFine ps_5_0 compiles
Texture2D g_albedo : register(t0);
SamplerState g_sampler : register(s0);

struct GBuffer
{
    float4 albedo : SV_Target0;
    float4 normal : SV_Target1;
    float4 position : SV_Target2;
    float4 motion : SV_Target3;
};

GBuffer PS(float4 pos : SV_Position, float3 normal : NORMAL, float2 uv : TEXCOORD0, float3 world : TEXCOORD1)
{
    GBuffer g;
    g.albedo = g_albedo.Sample(g_sampler, uv);
    clip(g.albedo.a - 0.5);
    g.normal = float4(normalize(normal) * 0.5 + 0.5, 0);
    g.position = float4(world, 1);
    g.motion = float4(ddx(uv.x), ddy(uv.y), fwidth(uv));
    return g;
}

float4 PSDepth(float4 pos : SV_Position, float depth : TEXCOORD0, out float oDepth : SV_Depth) : SV_Target
{
    if (depth < 0)
        discard;
    oDepth = saturate(depth);
    return 1;
}

float4 PSCoverage(float4 pos : SV_Position, uint coverage : SV_Coverage, out uint oCoverage : SV_Coverage) : SV_Target
{
    oCoverage = coverage & 0x5;
    return float4(countbits(coverage) / 4.0, 0, 0, 1);
}

float4 PSFine(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    return float4(ddx_fine(uv), ddy_coarse(uv));
}
