// Displacement mapping and a clip plane in the vertex stage.
// expect: VS vs_4_0 compiles
// expect: PS ps_4_0 compiles
cbuffer cbTerrain : register(b0)
{
    float4x4 g_mViewProj;
    float4 g_clipPlane;
    float g_heightScale;
};
Texture2D<float> g_heightMap : register(t0);
SamplerState g_clampLinear : register(s0);

struct VS_OUT
{
    float4 pos : SV_Position;
    float clip : SV_ClipDistance0;
    float height : TEXCOORD0;
};

VS_OUT VS(float3 pos : POSITION, float2 uv : TEXCOORD0)
{
    VS_OUT o;
    float h = g_heightMap.SampleLevel(g_clampLinear, uv, 0) * g_heightScale;
    uint width, height;
    g_heightMap.GetDimensions(width, height);
    h += g_heightMap.Load(int3(uv * float2(width, height), 0), int2(1, 0)) * 0.01;
    float4 world = float4(pos.x, pos.y + h, pos.z, 1);
    o.pos = mul(world, g_mViewProj);
    o.clip = dot(world, g_clipPlane);
    o.height = h;
    return o;
}

float4 PS(VS_OUT input) : SV_Target
{
    return float4(input.height.xxx, 1);
}
