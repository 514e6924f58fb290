// Screen-space ambient occlusion from a depth buffer, with a rotation
// texture, a static kernel and view-space reconstruction.
// expect: PS ps_4_0 compiles
// expect: PSBlur ps_4_0 compiles
cbuffer cbSSAO : register(b0)
{
    float4x4 g_mInvProj;
    float4x4 g_mProj;
    float2 g_vNoiseScale;
    float g_fRadius;
    float g_fBias;
};
Texture2D<float> g_txDepth : register(t0);
Texture2D g_txNoise : register(t1);
Texture2D g_txAO : register(t2);
SamplerState g_samPointClamp : register(s0);
SamplerState g_samPointWrap : register(s1);

static const float3 kKernel[8] =
{
    float3(0.53, 0.18, 0.36), float3(-0.23, 0.40, 0.31), float3(0.05, -0.61, 0.22), float3(-0.45, -0.12, 0.58),
    float3(0.14, 0.05, 0.83), float3(-0.68, 0.33, 0.11), float3(0.29, -0.27, 0.65), float3(-0.06, 0.71, 0.40),
};

float3 ViewPosition(float2 uv)
{
    float depth = g_txDepth.SampleLevel(g_samPointClamp, uv, 0);
    float4 clip = float4(uv * float2(2, -2) + float2(-1, 1), depth, 1);
    float4 view = mul(clip, g_mInvProj);
    return view.xyz / view.w;
}

float4 PS(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    float3 origin = ViewPosition(uv);
    float3 normal = normalize(cross(ddy(origin), ddx(origin)));
    float3 random = g_txNoise.Sample(g_samPointWrap, uv * g_vNoiseScale).xyz * 2 - 1;
    float3 tangent = normalize(random - normal * dot(random, normal));
    float3x3 tbn = float3x3(tangent, cross(normal, tangent), normal);
    float occlusion = 0;
    [unroll]
    for (int i = 0; i < 8; ++i)
    {
        float3 samplePos = origin + mul(kKernel[i], tbn) * g_fRadius;
        float4 offset = mul(float4(samplePos, 1), g_mProj);
        offset.xy = offset.xy / offset.w * float2(0.5, -0.5) + 0.5;
        float sampleDepth = ViewPosition(offset.xy).z;
        float range = smoothstep(0, 1, g_fRadius / abs(origin.z - sampleDepth));
        occlusion += (sampleDepth <= samplePos.z - g_fBias ? 1 : 0) * range;
    }
    return 1 - occlusion / 8;
}

float4 PSBlur(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    float result = 0;
    [unroll]
    for (int x = -2; x < 2; ++x)
        [unroll]
        for (int y = -2; y < 2; ++y)
            result += g_txAO.Sample(g_samPointClamp, uv, int2(x, y)).r;
    return result / 16;
}
