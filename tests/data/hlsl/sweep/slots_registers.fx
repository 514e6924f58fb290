// register() gives the slot of a constant buffer, texture and sampler.
cbuffer Lights : register(b5) { float4 light; };
Texture2D albedo : register(t3);
SamplerState clampSampler : register(s2);
float4 ps_main(float2 uv : TEXCOORD0) : SV_Target
{ return albedo.Sample(clampSampler, uv) * light; }
// expect: ps_main ps_4_0 compiles
//   cb: Lights@b5:16
//   tex: t3s2
