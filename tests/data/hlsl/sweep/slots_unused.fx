// Resources an entry point does not use take no slot and are not listed.
Texture2D unused;
Texture2D used;
SamplerState s;
cbuffer Unused { float4 u; };
float4 vs_main(float3 p : POSITION) : SV_Position { return float4(p, 1); }
float4 ps_main(float2 uv : TEXCOORD0) : SV_Target { return used.Sample(s, uv); }
// expect: vs_main vs_4_0 compiles
//   cb:
//   tex:
// expect: ps_main ps_4_0 compiles
//   cb:
//   tex: t0s0
