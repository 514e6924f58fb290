// A post-process with functions of its own named like old intrinsics
// (noise) and like current ones: they are the file's to define.
// expect: PS ps_4_0 compiles
cbuffer Frame : register(b0) { float g_time; float g_strength; };
Texture2D g_scene : register(t0);
SamplerState g_point : register(s0);

float hash(float2 p)
{
    return frac(sin(dot(p, float2(12.9898, 78.233))) * 43758.5453);
}

float noise(float2 p)
{
    float2 i = floor(p), f = frac(p);
    float2 u = f * f * (3 - 2 * f);
    return lerp(lerp(hash(i), hash(i + float2(1, 0)), u.x), lerp(hash(i + float2(0, 1)), hash(i + 1), u.x), u.y);
}

float4 PS(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    float4 color = g_scene.Sample(g_point, uv);
    float grain = noise(pos.xy * 0.5 + g_time) - 0.5;
    color.rgb += grain * g_strength * sign(grain) * fmod(g_time, 1.0);
    return color;
}
