float4 vs_main(float3 p : POSITION) : SV_Position
{
    float y = 3
    return float4(p, y);
}
// A missing semicolon shows on the next token, as HLSL compilers report it.
// expect: vs_main vs_4_0 error (4,5) '';' : Expected'
