// Each texture and sampler pair is its own combined sampler; Load needs no
// sampler. Passed to a function, a texture keeps its slot.
Texture2D colour : register(t0);
Texture2D depth : register(t1);
Texture2D first : register(t4);
SamplerState linearS : register(s0);
SamplerState pointS : register(s1);
SamplerState s : register(s3);
float4 Fetch(Texture2D t, SamplerState ss, float2 uv) { return t.Sample(ss, uv); }
float4 ps_main(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    return colour.Sample(linearS, uv) + colour.Sample(pointS, uv) + depth.Sample(linearS, uv)
         + depth.Load(int3(pos.xy, 0));
}
float4 throughFunction(float2 uv : TEXCOORD0) : SV_Target { return Fetch(first, s, uv); }
// expect: ps_main ps_4_0 compiles
//   tex: t0s0 t0s1 t1s0 t1
// expect: throughFunction ps_4_0 compiles
//   tex: t4s3
