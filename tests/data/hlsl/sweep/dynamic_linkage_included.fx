// Dynamic shader linkage with the interfaces and classes in #include
// files: the effect of dynamic_linkage.fx, whose header gives the
// instances' values, the constant buffer's layout and the records below,
// with dynamic_linkage_lights.fxh (which includes the interfaces from
// dynamic_linkage_interfaces.fxh) and dynamic_linkage_materials.fxh
// declaring what that file declares itself, and cBright derived here from
// a class of an include. tests/platform/d3d11/dynamic_linkage_test.cpp
// draws both files under every combination of class instances.

#include "dynamic_linkage_lights.fxh"
#include "dynamic_linkage_materials.fxh"

class cBright : cDirectional
{
    float boost;
    float Intensity(float3 normal) { return cDirectional::Intensity(normal) + boost; }
};

cbuffer Lights : register(b0)
{
    cAmbient g_ambient;
    cDirectional g_suns[2];
    cBright g_bright;
    cPainted g_paint;
};

iLight g_lights[2];
iMaterial g_material;
iLight g_unused;

struct VSOut
{
    float4 position : SV_Position;
    float3 normal : NORMAL;
};

VSOut VS(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    output.position = float4(position, 1);
    output.normal = float3(0, 0, 1);
    return output;
}

// A vertex stage's slot, in the same program as the pixel stage's: a light
// of Intensity below 0.5 moves the strip out of the viewport.
iLight g_vertexLight;

VSOut VS_Moved(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output = VS(position, normal);
    output.position.x += g_vertexLight.Intensity(output.normal) < 0.5 ? 4 : 0;
    return output;
}

float Lights(float3 normal)
{
    float sum = 0;
    [loop] for (int i = 0; i < 2; ++i)
        sum += g_lights[i].Intensity(normal);
    return sum;
}

float4 PS(VSOut input) : SV_Target
{
    return float4(g_lights[0].Intensity(input.normal), g_lights[1].Intensity(input.normal),
                  g_material.Reflectance(), Lights(input.normal));
}

float4 PS_Uniform(VSOut input, uniform iMaterial material) : SV_Target
{
    return float4(g_lights[0].Intensity(input.normal), g_lights[1].Intensity(input.normal),
                  material.Reflectance(), Lights(input.normal));
}

// expect: VS vs_5_0 compiles
//   slots: 0
//   classes:
// expect: VS_Moved vs_5_0 compiles
//   cb: Lights@b0:96
//   slots: 1 g_vertexLight:iLight@0
//   classes: 1=g_ambient[0]:cAmbient(iLight) 2=g_suns[0]:cDirectional(iLight) 3=g_suns[1]:cDirectional(iLight) 4=g_bright[0]:cBright(iLight) 5=:cGlow(iLight,iMaterial) 6=:cUnlit(iLight)
// expect: PS ps_5_0 compiles
//   cb: Lights@b0:96
//   slots: 3 g_lights:iLight@0x2 g_material:iMaterial@2
//   classes: 1=g_ambient[0]:cAmbient(iLight) 2=g_suns[0]:cDirectional(iLight) 3=g_suns[1]:cDirectional(iLight) 4=g_bright[0]:cBright(iLight) 5=g_paint[0]:cPainted(iMaterial) 6=:cGlow(iLight,iMaterial) 7=:cMatte(iMaterial) 8=:cUnlit(iLight)
// expect: PS_Uniform ps_5_0 compiles
//   cb: Lights@b0:96
//   slots: 3 g_lights:iLight@0x2 material:iMaterial@2
// expect: PS ps_4_0 error (27,8) 'abstract interface instance 'g_lights' of interface 'iLight': a call through it is resolved when the shader is bound (dynamic shader linkage), which shader model 5 introduced; ps_4_0 does not have it'
// expect: VS vs_4_1 error (27,8) 'which shader model 5 introduced'
