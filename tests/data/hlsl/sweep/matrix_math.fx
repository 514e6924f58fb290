// mul with every shape of operand, transpose, determinant, and a cast of a
// matrix to a smaller one.
// expect: VS vs_4_0 compiles
cbuffer Transforms : register(b0)
{
    float4x4 g_world;
    float3x3 g_normalMatrix;
    float4x3 g_bones[4];
    float2x3 g_uvTransform;
};

struct Out { float4 pos : SV_Position; float3 normal : NORMAL; float2 uv : TEXCOORD0; float det : TEXCOORD1; };

Out VS(float4 pos : POSITION, float3 normal : NORMAL, uint4 bones : BLENDINDICES, float4 weights : BLENDWEIGHT)
{
    Out o;
    float3 skinned = 0;
    for (int i = 0; i < 4; ++i)
        skinned += mul(pos, g_bones[bones[i]]) * weights[i];
    o.pos = mul(float4(skinned, 1), g_world);
    o.pos = mul(g_world, o.pos);
    o.normal = mul(g_normalMatrix, normal) + mul(normal, transpose(g_normalMatrix));
    o.uv = mul(g_uvTransform, float3(pos.xy, 1));
    float2x2 scale = (float2x2)g_world;
    float s = mul(2.0, 3.0) + mul(normal, normal);
    float3x3 both = mul(g_normalMatrix, (float3x3)g_world);
    o.det = determinant(scale) + determinant(g_world) + s + both._11;
    return o;
}
