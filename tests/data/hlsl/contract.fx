// An effect file in the shape the demo loads: one 896-byte constant buffer at
// b0 read by all three stages, a texture at t0 with a sampler at s0 in the
// pixel stage, and stages linked by semantic, with semantic indices and
// integer components among them.

cbuffer SceneConstants : register(b0)
{
    float    time;          // byte 0
    float3   reserved0;     // byte 4
    float4x4 world;         // byte 16
    float4x4 view;          // byte 80
    float4x4 projection;    // byte 144
    float    passMode;      // byte 208
    float3   reserved1;     // byte 212
    float4   reserved2[42]; // bytes 224 to 896
};

Texture2D    sceneTexture : register(t0);
SamplerState sceneSampler : register(s0);

struct VSInput
{
    float3 position : POSITION;
    float3 normal   : NORMAL;
};

struct VSOutput
{
    float4 position : SV_Position;
    float3 normal   : NORMAL;
    float2 uv       : TEXCOORD3;
    nointerpolation uint faceId : BLENDINDICES2;
    float4 tint     : COLOR1;
};

VSOutput vs_main(VSInput input)
{
    VSOutput output;
    float4 worldPosition = mul(world, float4(input.position, 1.0));
    output.position = mul(projection, mul(view, worldPosition));
    output.normal   = mul((float3x3)world, input.normal);
    output.uv       = input.position.xy * 0.5 + 0.5;
    output.faceId   = (uint)passMode;
    output.tint     = float4(time, passMode, reserved2[41].w, 1.0);
    return output;
}

[maxvertexcount(3)]
void gs_main(triangle VSOutput input[3], inout TriangleStream<VSOutput> stream)
{
    for (int i = 0; i < 3; ++i)
    {
        VSOutput vertex = input[i];
        vertex.tint.x += time;
        stream.Append(vertex);
    }
    stream.RestartStrip();
}

float4 ps_main(VSOutput input) : SV_Target
{
    float4 texel = sceneTexture.Sample(sceneSampler, input.uv);
    if (passMode > 1.0)
        return texel * input.tint;
    return float4(normalize(input.normal), input.position.z + input.faceId);
}

// The three stages as the program compiles them, and what Direct3D binds by.
// expect: vs_main vs_4_0 compiles
//   in: POSITION0:f3@0 NORMAL0:f3@1
//   out: SV_POSITION0:f4sv NORMAL0:f3~ TEXCOORD3:f2~ BLENDINDICES2:u1~ COLOR1:f4~
//   cb: SceneConstants@b0:896
//   tex:
// expect: gs_main gs_4_0 compiles
//   in: SV_POSITION0:f4sv NORMAL0:f3~ TEXCOORD3:f2~ BLENDINDICES2:u1~ COLOR1:f4~
//   out: SV_POSITION0:f4sv NORMAL0:f3~ TEXCOORD3:f2~ BLENDINDICES2:u1~ COLOR1:f4~
//   cb: SceneConstants@b0:896
//   gs: 3
// expect: ps_main ps_4_0 compiles
//   in: SV_POSITION0:f4sv NORMAL0:f3~ TEXCOORD3:f2~ BLENDINDICES2:u1~ COLOR1:f4~
//   out: SV_TARGET0:f4@0
//   cb: SceneConstants@b0:896
//   tex: t0s0
// Later shader models of the same stages.
// expect: vs_main vs_4_1 compiles
// expect: gs_main gs_4_1 compiles
// expect: ps_main ps_4_1 compiles
// expect: vs_main vs_5_0 compiles
// expect: gs_main gs_5_0 compiles
// expect: ps_main ps_5_0 compiles
// An entry point that is missing, or compiled for another stage, is refused
// at its definition.
// expect: main vs_4_0 error (1,1) 'entry point 'main' not found'
// expect: gs_main vs_4_0 error (49,6) ''gs_main' is a geometry shader'
// expect: gs_main ps_4_0 error (49,6) ''gs_main' is a geometry shader'
// expect: vs_main gs_4_0 error (36,10) ''vs_main' is not a geometry shader'
// expect: ps_main gs_4_0 error (60,8) ''ps_main' is not a geometry shader'
// expect: ps_main vs_4_0 error (60,8) 'invalid vs_4_0 output semantic 'SV_TARGET''
// expect: vs_main ps_4_0 error (36,10) 'invalid ps_4_0 output semantic'
