// #pragma pack_matrix between the members of one cbuffer.
// expect: VS vs_4_0 error (6,1) 'pack_matrix inside a cbuffer'
cbuffer Transforms : register(b0)
{
    float4x4 g_world;
#pragma pack_matrix(row_major)
    float4x4 g_view; // # pragma pack_matrix in a comment is no directive
};

float4 VS(float4 pos : POSITION) : SV_Position
{
    return mul(mul(pos, g_world), g_view);
}
