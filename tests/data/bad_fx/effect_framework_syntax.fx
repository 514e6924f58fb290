// The valid program wrapped in effect-framework syntax: state objects, a
// sampler with a state block, annotations and a technique, all ignored.
// expect: loaded
DepthStencilState DepthOn { DepthEnable = TRUE; DepthFunc = LESS_EQUAL; };
BlendState NoBlend { BlendEnable[0] = FALSE; };
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

Texture2D    depthBuffer : register(t0) < string UIName = "Depth Buffer"; >;
SamplerState linearWrap  : register(s0) { Filter = MIN_MAG_MIP_LINEAR; AddressU = Wrap; AddressV = Wrap; };

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
    if (passMode > 1.0)
        output.position = float4(input.position.xy, 0.5, 1.0);
    else
        output.position = mul(projection, mul(view, mul(world, float4(input.position, 1.0))));
    output.normal = input.normal;
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

technique11 Render
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, vs_main()));
        SetGeometryShader(CompileShader(gs_4_0, gs_main()));
        SetPixelShader(CompileShader(ps_4_0, ps_main()));
        SetDepthStencilState(DepthOn, 0);
    }
}
