// Annotations on constant-buffer members, textures, semantics and
// registers, beside templates and comparisons that must stay.
string ParamID = "0x003";

cbuffer Material : register(b1)
{
    float  gloss < string UIName = "Gloss"; float UIMin = 0.0; float UIMax = 1.0; > = 0.5;
    float4 colour : DIFFUSE < string UIWidget = "Color"; >;
    float4 weights[2] < int count = 2; >;
};

float4x4 worldViewProjection : WORLDVIEWPROJECTION < string UIWidget = "None"; >;
Texture2D<float4> albedo : register(t2) < string ResourceName = "albedo.dds"; string ResourceType = "2D"; >;
Texture2D shine < string ResourceName = "shine.dds"; >;
SamplerState linearSampler : register(s1);
static const bool kBright = 1 < 2;

float4 PS(float2 uv : TEXCOORD0) : SV_Target
{
    float4 c = albedo.Sample(linearSampler, uv) * colour + shine.Sample(linearSampler, uv) * gloss;
    if (uv.x < weights[0].x && kBright)
        c *= weights[1];
    return mul(worldViewProjection, c);
}
// The global matrix goes to the first free constant buffer slot, shine to
// the first free texture slot.
// expect: PS ps_4_0 compiles
//   cb: $Global@b0:64 Material@b1:64
//   tex: t0s1 t2s1
