// Skinning that takes the translation out of a bone matrix picked by a
// vertex's index: a matrix swizzle on an element read by a variable index.
// expect: VS vs_4_0 compiles
cbuffer cbSkin : register(b0) { float4x4 g_bones[32]; float4x4 g_viewProj; };

float4 VS(float3 pos : POSITION, uint4 bones : BLENDINDICES, float4 weights : BLENDWEIGHT) : SV_Position
{
    float3 world = 0;
    for (int i = 0; i < 4; ++i)
        world += (mul(pos, (float3x3)g_bones[bones[i]]) + g_bones[bones[i]]._m30_m31_m32) * weights[i];
    return mul(float4(world, 1), g_viewProj);
}
