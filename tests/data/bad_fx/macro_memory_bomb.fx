// Macros that double at every level, used in the code: the expression
// would have 2^40 terms. The compile is stopped, and must not take the
// machine's memory with it while it runs.
// expect: 408 0x80004005 main.fx(1,1) 'compiling took more than 384 MiB of memory and was stopped'
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
};

#define B0 1.0
#define B1 (B0 + B0)
#define B2 (B1 + B1)
#define B3 (B2 + B2)
#define B4 (B3 + B3)
#define B5 (B4 + B4)
#define B6 (B5 + B5)
#define B7 (B6 + B6)
#define B8 (B7 + B7)
#define B9 (B8 + B8)
#define B10 (B9 + B9)
#define B11 (B10 + B10)
#define B12 (B11 + B11)
#define B13 (B12 + B12)
#define B14 (B13 + B13)
#define B15 (B14 + B14)
#define B16 (B15 + B15)
#define B17 (B16 + B16)
#define B18 (B17 + B17)
#define B19 (B18 + B18)
#define B20 (B19 + B19)
#define B21 (B20 + B20)
#define B22 (B21 + B21)
#define B23 (B22 + B22)
#define B24 (B23 + B23)
#define B25 (B24 + B24)
#define B26 (B25 + B25)
#define B27 (B26 + B26)
#define B28 (B27 + B27)
#define B29 (B28 + B28)
#define B30 (B29 + B29)
#define B31 (B30 + B30)
#define B32 (B31 + B31)
#define B33 (B32 + B32)
#define B34 (B33 + B33)
#define B35 (B34 + B34)
#define B36 (B35 + B35)
#define B37 (B36 + B36)
#define B38 (B37 + B37)
#define B39 (B38 + B38)
#define B40 (B39 + B39)

VSOutput vs_main(VSInput input)
{
    VSOutput output;
    if (passMode > 1.0)
        output.position = float4(input.position.xy, 0.5, 1.0);
    else
        output.position = mul(projection, mul(view, mul(world, float4(input.position, 1.0))));
    output.normal = input.normal * B40;
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
