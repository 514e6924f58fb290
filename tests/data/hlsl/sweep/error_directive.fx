#define BROKEN 1
#if BROKEN
#error the effect is broken
#endif
float4 vs_main(float3 p : POSITION) : SV_Position
{
    return float4(p, 1.0);
}
// expect: vs_main vs_4_0 error (3,1) ''#error' : the effect is broken'
