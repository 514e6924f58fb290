// One semantic on a member that is itself a structure.
// expect: VS vs_4_0 error (10,14) 'give each member a semantic of its own'
struct Surface { float3 position; float3 normal; };
struct Interpolants
{
    float4 position : SV_Position;
    Surface surface : TEXCOORD0;
};

Interpolants VS(float3 position : POSITION, float3 normal : NORMAL)
{
    Interpolants o;
    o.position = float4(position, 1);
    o.surface.position = position;
    o.surface.normal = normal;
    return o;
}
