// Dynamic shader linkage.
// expect: PS ps_5_0 error (3,1) 'interface'
interface ILight
{
    float3 Illuminate(float3 normal);
};

float4 PS(float4 pos : SV_Position) : SV_Target
{
    return 1;
}
