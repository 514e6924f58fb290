// A lit mesh in the style of the SDK's basic samples: state objects and a
// technique11 that sets them, globals in a shared cbuffer.
// expect: VS vs_4_0 compiles
// expect: PS ps_4_0 compiles
shared cbuffer cbPerFrame : register(b0)
{
    matrix g_mWorldViewProj;
    matrix g_mWorld;
    float3 g_vLightDir;
    float g_fTime;
};

Texture2D g_txDiffuse;
SamplerState g_samLinear
{
    Filter = MIN_MAG_MIP_LINEAR;
    AddressU = Wrap;
    AddressV = Wrap;
};

DepthStencilState EnableDepth { DepthEnable = TRUE; DepthWriteMask = ALL; DepthFunc = LESS_EQUAL; };
BlendState NoBlending { AlphaToCoverageEnable = FALSE; BlendEnable[0] = FALSE; };
RasterizerState CullBack { FillMode = SOLID; CullMode = BACK; MultisampleEnable = TRUE; };

struct VS_INPUT
{
    float4 Position : POSITION;
    float3 Normal : NORMAL;
    float2 TexCoord : TEXCOORD0;
};

struct VS_OUTPUT
{
    float4 Position : SV_POSITION;
    float4 Diffuse : COLOR0;
    float2 TexCoord : TEXCOORD0;
};

VS_OUTPUT VS(VS_INPUT input)
{
    VS_OUTPUT output;
    output.Position = mul(input.Position, g_mWorldViewProj);
    float3 normal = normalize(mul(input.Normal, (float3x3)g_mWorld));
    output.Diffuse = saturate(dot(normal, -g_vLightDir)) * float4(1, 1, 1, 1);
    output.TexCoord = input.TexCoord;
    return output;
}

float4 PS(VS_OUTPUT input) : SV_Target
{
    return g_txDiffuse.Sample(g_samLinear, input.TexCoord) * input.Diffuse;
}

technique11 RenderScene
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, VS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, PS()));
        SetDepthStencilState(EnableDepth, 0);
        SetBlendState(NoBlending, float4(0.0f, 0.0f, 0.0f, 0.0f), 0xFFFFFFFF);
        SetRasterizerState(CullBack);
    }
}
