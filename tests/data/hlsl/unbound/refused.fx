// Constructs the compiler refuses, each with a message that names it.
RWTexture2D<float4> canvas;
Texture2D grid[2][2];
Texture2D single;
SamplerState samplers[2];

float4 rwInPs4(float4 position : SV_Position) : SV_Target
{
    canvas[uint2(position.xy)] = 1;
    return 0;
}

float4 arrayOfArrays(float4 position : SV_Position) : SV_Target
{
    return grid[1][1].Load(int3(0, 0, 0));
}

float4 samplerArray(float4 position : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    return single.Sample(samplers[1], uv);
}
// expect: rwInPs4 ps_4_0 error (2,21) ''canvas''
// expect: arrayOfArrays ps_5_0 error (3,11) ''grid''
// expect: samplerArray ps_5_0 error (5,14) ''samplers''
