// #pragma pack_matrix changes how later matrices in constant buffers are
// laid out.
// expect: VS vs_4_0 compiles
#pragma pack_matrix(row_major)
cbuffer Camera : register(b0)
{
    float4x4 g_viewProjection;
    float3x4 g_world;
};
#pragma pack_matrix(column_major)
cbuffer Object : register(b1)
{
    float4x4 g_objectWorld;
};

float4 VS(float4 pos : POSITION) : SV_Position
{
    return mul(mul(float4(mul(g_world, pos), 1), g_objectWorld), g_viewProjection);
}
