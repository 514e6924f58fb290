// HDR post-processing in the style of the SDK's HDRToneMapping samples:
// luminance downsampling, a bright pass, a separable Gaussian from a static
// weight table, and the final tone map.
// expect: VSQuad vs_4_0 compiles
// expect: PSDownsampleLum ps_4_0 compiles
// expect: PSBrightPass ps_4_0 compiles
// expect: PSBloomH ps_4_0 compiles
// expect: PSToneMap ps_4_0 compiles
Texture2D g_txScene : register(t0);
Texture2D<float> g_txLuminance : register(t1);
Texture2D g_txBloom : register(t2);
SamplerState g_samPoint : register(s0);
SamplerState g_samLinear : register(s1);

cbuffer cbPost : register(b0)
{
    float g_fMiddleGray = 0.18f;
    float g_fWhiteCutoff = 0.8f;
    float g_fBloomScale = 1.5f;
    float2 g_vTexelSize;
};

static const float3 LUMINANCE_VECTOR = float3(0.2125f, 0.7154f, 0.0721f);
static const float g_BloomWeights[9] = { 0.013, 0.036, 0.082, 0.135, 0.160, 0.135, 0.082, 0.036, 0.013 };

struct QuadVS_Output { float4 Pos : SV_POSITION; float2 Tex : TEXCOORD0; };

QuadVS_Output VSQuad(float4 Pos : POSITION, float2 Tex : TEXCOORD0)
{
    QuadVS_Output o;
    o.Pos = Pos;
    o.Tex = Tex;
    return o;
}

float4 PSDownsampleLum(QuadVS_Output input) : SV_TARGET
{
    float logSum = 0;
    [unroll] for (int y = -1; y <= 1; y++)
        [unroll] for (int x = -1; x <= 1; x++)
        {
            float3 color = g_txScene.Sample(g_samPoint, input.Tex, int2(x, y)).rgb;
            logSum += log(dot(color, LUMINANCE_VECTOR) + 0.0001f);
        }
    return float4(exp(logSum / 9).xxx, 1.0f);
}

float4 PSBrightPass(QuadVS_Output input) : SV_TARGET
{
    float4 color = g_txScene.Sample(g_samLinear, input.Tex);
    float adapted = g_txLuminance.Load(int3(0, 0, 0));
    color.rgb *= g_fMiddleGray / (adapted + 0.001f);
    color.rgb -= g_fWhiteCutoff;
    color = max(color, 0.0f);
    color.rgb /= (10.0f + color.rgb);
    return color;
}

float4 PSBloomH(QuadVS_Output input) : SV_TARGET
{
    float4 sum = 0;
    for (int i = 0; i < 9; i++)
        sum += g_txBloom.Sample(g_samPoint, input.Tex, int2(i - 4, 0)) * g_BloomWeights[i];
    return sum * g_fBloomScale;
}

float4 PSToneMap(QuadVS_Output input) : SV_TARGET
{
    float4 color = g_txScene.Sample(g_samPoint, input.Tex);
    float adapted = g_txLuminance.SampleLevel(g_samPoint, float2(0.5, 0.5), 0);
    color.rgb *= g_fMiddleGray / (adapted + 0.001f);
    color.rgb *= (1.0f + color.rgb / (g_fWhiteCutoff * g_fWhiteCutoff));
    color.rgb /= (1.0f + color.rgb);
    color += g_txBloom.Sample(g_samLinear, input.Tex) * g_fBloomScale;
    return float4(color.rgb, 1.0f);
}
