// State objects of every kind; the samplers with state blocks stay samplers
// the shader uses.
BlendState AlphaBlend
{
    AlphaToCoverageEnable = FALSE;
    BlendEnable[0] = TRUE;
    SrcBlend = SRC_ALPHA;
    DestBlend = INV_SRC_ALPHA;
    RenderTargetWriteMask[0] = 0x0F;
};
BlendState NoBlend { BlendEnable[0] = FALSE; };
RasterizerState Wire { FillMode = WIREFRAME; CullMode = NONE; };
DepthStencilState DepthModes[2] { { DepthEnable = TRUE; }, { DepthEnable = FALSE; } };
DepthStencilState NoDepth;

Texture2D colourMap : register(t0);
Texture2D shadowMap : register(t1);
SamplerState wrapSampler
{
    Filter = MIN_MAG_MIP_LINEAR;
    AddressU = Wrap;
    AddressV = Wrap;
};
SamplerComparisonState shadowSampler : register(s3)
{
    Filter = COMPARISON_MIN_MAG_LINEAR_MIP_POINT;
    ComparisonFunc = LESS_EQUAL;
};

float4 PS(float2 uv : TEXCOORD0, float depth : DEPTH) : SV_Target
{
    return colourMap.Sample(wrapSampler, uv) * shadowMap.SampleCmp(shadowSampler, uv, depth);
}

technique11 Blend
{
    pass P0
    {
        SetBlendState(AlphaBlend, float4(0, 0, 0, 0), 0xFFFFFFFF);
        SetDepthStencilState(DepthModes[0], 0);
        SetRasterizerState(Wire);
        SetPixelShader(CompileShader(ps_4_0, PS()));
    }
}
// wrapSampler takes the lowest free sampler slot; shadowSampler keeps s3.
// expect: PS ps_4_0 compiles
//   tex: t0s0 t1s3
