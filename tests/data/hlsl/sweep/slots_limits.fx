// Direct3D 11 has 14 constant buffer slots, 128 texture slots and 16
// sampler slots per stage: the last of each is accepted, one beyond it refused,
// and so is an array whose last element falls past the end.
cbuffer Near : register(b13) { float4 near; };
cbuffer Far : register(b14) { float4 far; };
Texture2D last : register(t127);
Texture2D beyond : register(t128);
SamplerState lastS : register(s15);
SamplerState beyondS : register(s16);
Texture2D straddling[2] : register(t127);
float4 nearest() : SV_Target { return near + last.Sample(lastS, near.xy); }
float4 farCb() : SV_Target { return far; }
float4 farTexture() : SV_Target { return beyond.Load(int3(0, 0, 0)); }
float4 pastTheEnd() : SV_Target { return straddling[1].Load(int3(0, 0, 0)); }
float4 farSampler() : SV_Target { return last.Sample(beyondS, float2(0, 0)); }
// expect: nearest ps_4_0 compiles
//   cb: Near@b13:16
//   tex: t127s15
// expect: farCb ps_4_0 error (5,9) ''Far': register(b14) is out of range'
// expect: farTexture ps_4_0 error (7,11) ''beyond': register(t128) is out of range'
// expect: pastTheEnd ps_4_0 error (10,11) ''straddling': register(t127) is out of range'
// expect: farSampler ps_4_0 error (9,14) ''beyondS': register(s16) is out of range'
