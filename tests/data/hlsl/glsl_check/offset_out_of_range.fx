// glslang's HLSL front end takes any constant offset; GLSL allows only
// gl_MinProgramTexelOffset (-8) to gl_MaxProgramTexelOffset (7), and so does
// Direct3D.
Texture2D source : register(t0);
SamplerState pointClamp : register(s0);

float4 ps_main(float4 position : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    return source.Sample(pointClamp, uv, int2(9, 0));
}

float4 ps_unrolled(float4 position : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    float4 sum = 0;
    for (int x = 6; x <= 9; ++x)
        sum += source.Sample(pointClamp, uv, int2(x, 0));
    return sum;
}
// expect: ps_main ps_5_0 error (7,8) 'offset'
// expect: ps_unrolled ps_5_0 error (12,8) 'offset'
