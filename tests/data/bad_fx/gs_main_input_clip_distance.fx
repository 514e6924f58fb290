// gs_main takes SV_ClipDistance0 in the structure it reads and emits: a
// plain input from the vertex stage, a clip distance in its stream.
// expect: loaded
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

Texture2D    depthBuffer : register(t0);
SamplerState linearWrap  : register(s0);

struct VSInput
{
    float3 position : POSITION;
    float3 normal   : NORMAL;
};

struct VSOutput
{
    float4 position : SV_Position;
    float3 normal   : NORMAL;
    float  clip     : SV_ClipDistance0;
};

VSOutput vs_main(VSInput input)
{
    VSOutput output;
    if (passMode > 1.0)
        output.position = float4(input.position.xy, 0.5, 1.0);
    else
        output.position = mul(projection, mul(view, mul(world, float4(input.position, 1.0))));
    output.normal = input.normal;
    output.clip = 1.0;
    return output;
}

[maxvertexcount(3)]
void gs_main(triangle VSOutput input[3], inout TriangleStream<VSOutput> stream)
{
    for (int i = 0; i < 3; ++i)
        stream.Append(input[i]);
    stream.RestartStrip();
}

float4 ps_main(VSOutput input) : SV_Target
{
    if (passMode < 1.0)
        return float4(normalize(input.normal), 0.5);
    float4 texel = depthBuffer.Sample(linearWrap, input.position.xy / float2(1280.0, 720.0));
    return float4(texel.xyz * 0.5 + 0.5, 1.0);
}
