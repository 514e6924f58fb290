// Resources without register() take the lowest free slot of their class in
// declaration order: neither names nor first use decide. zeta t1, alpha t0,
// mid t2; wrapS s1, clampS s0; Zed b1, Able b2.
Texture2D zeta;
Texture2D alpha : register(t0);
Texture2D mid;
SamplerState wrapS;
SamplerState clampS : register(s0);
cbuffer Zed { float4 zed; };
cbuffer Pinned : register(b0) { float4 pinned; };
cbuffer Able { float4 able; };
float4 ps_main(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    return able + mid.Sample(wrapS, uv) + alpha.Sample(clampS, uv) + zeta.Sample(wrapS, uv)
         + zed + pinned;
}
// expect: ps_main ps_4_0 compiles
//   cb: Pinned@b0:16 Zed@b1:16 Able@b2:16
//   tex: t1s1 t0s0 t2s1
