// SampleGrad's offset follows its two gradients among the image operands:
// here the gradients are constants and the offset is not, which the
// Windows compiler refuses at the call.
Texture2D source : register(t0);
SamplerState pointClamp : register(s0);

cbuffer Settings : register(b0)
{
    int2 shift;
};

float4 flatGradients(float4 position : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    return source.SampleGrad(pointClamp, uv, float2(0, 0), float2(0, 0), shift);
}
// expect: flatGradients ps_5_0 error (14,19) 'offset'
