// Shadow comparisons, gathers and mip access by operator.
// expect: PS ps_4_0 compiles
// expect: PSGather ps_4_1 compiles
// expect: PSGather5 ps_5_0 compiles
// expect: PSMips ps_4_0 compiles
// expect: PSGatherCmp ps_5_0 error (35,8) 'textureGather'
Texture2D g_shadowMap : register(t0);
Texture2D<float4> g_color : register(t1);
SamplerComparisonState g_shadowSampler : register(s0)
{
    Filter = COMPARISON_MIN_MAG_LINEAR_MIP_POINT;
    ComparisonFunc = LESS_EQUAL;
};
SamplerState g_point : register(s1);

float4 PS(float4 pos : SV_Position, float4 shadowPos : TEXCOORD0) : SV_Target
{
    float2 uv = shadowPos.xy / shadowPos.w;
    float lit = g_shadowMap.SampleCmp(g_shadowSampler, uv, shadowPos.z);
    lit += g_shadowMap.SampleCmpLevelZero(g_shadowSampler, uv, shadowPos.z, int2(1, 0));
    return lit * 0.5;
}

float4 PSGather(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    return g_color.Gather(g_point, uv);
}

float4 PSGather5(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    return g_color.GatherRed(g_point, uv) + g_color.GatherAlpha(g_point, uv, int2(1, 1));
}

// The GLSL made for a comparing gather is refused: reported at the entry.
float4 PSGatherCmp(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    return g_shadowMap.GatherCmpRed(g_shadowSampler, uv, 0.5);
}

float4 PSMips(float4 pos : SV_Position) : SV_Target
{
    return g_color.mips[1][uint2(pos.xy) / 2] + g_color[uint2(pos.xy)];
}
