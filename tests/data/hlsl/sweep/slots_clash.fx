Texture2D a : register(t2);
Texture2D b : register(t2);
SamplerState s;
float4 ps_main(float2 uv : TEXCOORD0) : SV_Target
{ return a.Sample(s, uv) + b.Sample(s, uv); }
// expect: ps_main ps_4_0 error (2,11) ''a' and 'b' are both bound to register(t2)'
