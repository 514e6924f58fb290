// Dynamic shader linkage: two interfaces, lights and materials, called
// through abstract instances whose classes are chosen when the shader is
// bound. tests/platform/d3d11/dynamic_linkage_test.cpp draws PS and
// PS_Uniform under every combination of class instances, and VS_Moved
// under each light.
//
// Lights (iLight, Intensity of the normal (0, 0, 1)):
//  g_ambient   cAmbient      level                                  0.25
//  g_suns[0]   cDirectional  strength 0.5 * dot(n, (0, 0, 1))       0.5
//  g_suns[1]   cDirectional  strength 0.75 * dot(n, (0, 0, 0.5))    0.375
//  g_bright    cBright       cDirectional's 0.125 * 1, + boost 0.5  0.625
//  created     cUnlit        no data                                0.0625
//  created     cGlow         no data, also a material               0.875
// Materials (iMaterial, Reflectance):
//  created     cMatte        no data                                0.5
//  g_paint     cPainted      reflectance                            0.3125
//  created     cGlow                                                0.75
// Lights at b0 (by HLSL's packing, each class instance from a register of
// its own): g_ambient.level 0; g_suns[0] direction 16, strength 28;
// g_suns[1] 32, 44; g_bright direction 48, strength 60, boost 64;
// g_paint.reflectance 80; 96 bytes.
//
// PS paints (Intensity of slot 0, of slot 1, the material's Reflectance,
// the sum of both lights' Intensity, read in a loop over the array).
// Interface slots, in declaration order, one per element of an array, and
// none for an instance the entry point does not use: g_lights takes 0 and
// 1, g_material 2; PS_Uniform's uniform parameter, after the globals, 2.
// Class instance ids: the declared instances in declaration order, then
// one created instance per class without data, by class name.

interface iLight
{
    float Intensity(float3 normal);
};

interface iMaterial
{
    float Reflectance();
};

class cAmbient : iLight
{
    float level;
    float Intensity(float3 normal) { return level; }
};

class cDirectional : iLight
{
    float3 direction;
    float strength;
    float Intensity(float3 normal) { return strength * saturate(dot(normal, direction)); }
};

class cBright : cDirectional
{
    float boost;
    float Intensity(float3 normal) { return cDirectional::Intensity(normal) + boost; }
};

class cUnlit : iLight
{
    float Intensity(float3 normal) { return 0.0625; }
};

class cGlow : iLight, iMaterial
{
    float Intensity(float3 normal) { return 0.875; }
    float Reflectance() { return 0.75; }
};

class cMatte : iMaterial
{
    float Reflectance() { return 0.5; }
};

class cPainted : iMaterial
{
    float reflectance;
    float Reflectance() { return reflectance; }
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
// expect: PS ps_4_0 error (90,8) 'abstract interface instance 'g_lights' of interface 'iLight': a call through it is resolved when the shader is bound (dynamic shader linkage), which shader model 5 introduced; ps_4_0 does not have it'
// expect: VS vs_4_1 error (90,8) 'which shader model 5 introduced'
