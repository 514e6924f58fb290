// An effect file without a geometry stage, written in the HLSL subset that
// Wine 8's compiler accepts: no user-defined function calls, no geometry
// stage syntax. The vertex stage compiles, so a load gets as far as the
// geometry stage and stops there.

cbuffer SceneConstants : register(b0)
{
    float    time;
    float3   reserved0;
    float4x4 world;
    float4x4 view;
    float4x4 projection;
    float    passMode;
    float3   reserved1;
    float4   reserved2[42];
};

struct VSInput
{
    float3 position : POSITION;
    float3 normal   : NORMAL;
};

struct VSOutput
{
    float4 position : SV_Position;
    float3 normal   : NORMAL;
};

VSOutput vs_main(VSInput input)
{
    VSOutput output;
    output.position = mul(projection, mul(view, mul(world, float4(input.position, 1.0))));
    output.normal   = input.normal;
    return output;
}

float4 ps_main(VSOutput input) : SV_Target
{
    return float4(input.normal * 0.5 + 0.5, 1.0);
}
