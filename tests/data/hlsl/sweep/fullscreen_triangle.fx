// A post-process pass with no vertex buffer: the triangle is made from
// SV_VertexID, and SV_InstanceID picks a layer.
// expect: VS vs_4_0 compiles
// expect: VSInstanced vs_4_0 compiles
// expect: PS ps_4_0 compiles
Texture2D g_scene : register(t0);
SamplerState g_point : register(s0);

struct Fullscreen
{
    float4 position : SV_Position;
    float2 uv : TEXCOORD0;
};

Fullscreen VS(uint id : SV_VertexID)
{
    Fullscreen o;
    o.uv = float2((id << 1) & 2, id & 2);
    o.position = float4(o.uv * float2(2, -2) + float2(-1, 1), 0, 1);
    return o;
}

Fullscreen VSInstanced(uint id : SV_VertexID, uint instance : SV_InstanceID)
{
    Fullscreen o = VS(id);
    o.position.z = instance * 0.1;
    return o;
}

float4 PS(Fullscreen input) : SV_Target
{
    float3 color = g_scene.Sample(g_point, input.uv).rgb;
    float luminance = dot(color, float3(0.2126, 0.7152, 0.0722));
    return float4(lerp(color, luminance.xxx, 0.5), 1);
}
