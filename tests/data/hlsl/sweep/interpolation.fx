// Interpolation modifiers on stage outputs and inputs.
// expect: VS vs_4_1 compiles
// expect: PS ps_4_1 compiles
// expect: PSSample ps_5_0 compiles
struct Varyings
{
    float4 position : SV_Position;
    linear float3 normal : NORMAL;
    centroid float2 uv : TEXCOORD0;
    noperspective float2 screen : TEXCOORD1;
    nointerpolation uint material : MATERIAL;
    linear centroid float4 color : COLOR0;
};

Varyings VS(float4 position : POSITION, float3 normal : NORMAL, uint id : SV_VertexID)
{
    Varyings v;
    v.position = position;
    v.normal = normal;
    v.uv = position.xy;
    v.screen = position.xy / position.w;
    v.material = id % 4;
    v.color = float4(normal, 1);
    return v;
}

float4 PS(Varyings v) : SV_Target
{
    return float4(normalize(v.normal) * 0.5 + 0.5, 1) * v.color + float4(v.uv, v.screen) * (v.material + 1);
}

float4 PSSample(float4 position : SV_Position, sample float2 uv : TEXCOORD0) : SV_Target
{
    return float4(uv, 0, 1);
}
