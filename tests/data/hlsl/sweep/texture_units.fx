// A stage reads at most 16 texture and sampler pairs, each element of an
// array counting as one and a Load pairing its texture with no sampler: 16
// are accepted, 17 refused at the entry point.
Texture2D layers[15] : register(t0);
Texture2D loaded : register(t20);
Texture2D extra : register(t30);
SamplerState linearClamp : register(s0);

float4 sixteen(float4 position : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    float4 sum = loaded.Load(int3(position.xy, 0));
    for (int i = 0; i < 15; ++i)
        sum += layers[i].Sample(linearClamp, uv);
    return sum;
}

float4 seventeen(float4 position : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    return sixteen(position, uv) + extra.Sample(linearClamp, uv);
}
// expect: sixteen ps_4_0 compiles
//   tex: t0s0x15 t20
// expect: seventeen ps_4_0 error (17,8) 'pairs (each element of an array counts); the limit is 16'
