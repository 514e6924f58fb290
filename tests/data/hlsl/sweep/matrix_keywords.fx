// The matrix and vector keywords, generic forms included, packing
// qualifiers and packoffset.
// expect: VS vs_4_0 compiles
// expect: PS ps_4_0 compiles
cbuffer cbCamera : register(b1)
{
    row_major matrix View : packoffset(c0);
    column_major float4x4 Projection : packoffset(c4);
    vector<float, 4> EyePosition : packoffset(c8);
    matrix<float, 3, 3> NormalMatrix : packoffset(c9);
    float FarPlane : packoffset(c11.w);
};

struct Output
{
    vector Position : SV_Position;
    float3 Normal : NORMAL;
    float Depth : TEXCOORD1;
};

Output VS(vector position : POSITION, float3 normal : NORMAL)
{
    Output o;
    vector viewPosition = mul(position, View);
    o.Position = mul(viewPosition, Projection);
    o.Normal = mul(normal, NormalMatrix);
    o.Depth = viewPosition.z / FarPlane;
    return o;
}

float4 PS(Output input) : SV_Target
{
    vector<float, 3> n = normalize(input.Normal);
    return float4(n * 0.5 + 0.5, input.Depth) + EyePosition * 0;
}
