// Texture kinds, with Sample, SampleLevel, SampleGrad, Load and
// GetDimensions on each.
// expect: PS ps_4_0 compiles
// expect: PSArray ps_4_1 compiles
// expect: PSCubeArray ps_4_1 compiles
Texture1D g_tex1D : register(t0);
Texture2DArray g_texArray : register(t1);
Texture3D g_volume : register(t2);
TextureCube g_environment : register(t3);
TextureCubeArray g_probes : register(t4);
Texture2D<float> g_depth : register(t5);
SamplerState g_linear : register(s0);

float4 PS(float4 pos : SV_Position, float3 uvw : TEXCOORD0) : SV_Target
{
    float4 a = g_tex1D.Sample(g_linear, uvw.x);
    float4 b = g_volume.SampleLevel(g_linear, uvw, 0);
    float4 c = g_environment.SampleGrad(g_linear, uvw, ddx(uvw), ddy(uvw));
    float d = g_depth.Load(int3(pos.xy, 0));
    uint width, height, levels;
    g_depth.GetDimensions(0, width, height, levels);
    float w, h, depth;
    g_volume.GetDimensions(w, h, depth);
    return a + b + c + d + float4(width, height, levels, w * h * depth);
}

float4 PSArray(float4 pos : SV_Position, float3 uvw : TEXCOORD0) : SV_Target
{
    uint width, height, elements;
    g_texArray.GetDimensions(width, height, elements);
    return g_texArray.Sample(g_linear, float3(uvw.xy, uvw.z * elements)) + g_texArray.Load(int4(pos.xy, 1, 0));
}

float4 PSCubeArray(float4 pos : SV_Position, float3 dir : TEXCOORD0) : SV_Target
{
    return g_probes.SampleLevel(g_linear, float4(dir, 2), 1);
}
