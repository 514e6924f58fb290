float4 vs_main(float3 p : POSITION) : SV_Position
{
    float4 x = undefinedThing + 1;
    return x;
}
// expect: vs_main vs_4_0 error (3,16) ''undefinedThing' : unknown variable'
