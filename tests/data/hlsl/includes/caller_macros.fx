#ifndef SCALE
#error SCALE must be defined
#endif
#if SCALE != 3
#error SCALE is not 3
#endif
#if defined(FLIP) && FLIP != 1
#error a macro without a definition is defined as 1
#endif
float4 vs_main(float3 p : POSITION) : SV_Position
{
#ifdef FLIP
    p = -p;
#endif
    return float4(p * SCALE, sign(p.x));
}
// The caller's macros, one of them named like an intrinsic.
// expect: vs_main vs_4_0 error (2,1) ''#error' : SCALE must be defined'
// expect: vs_main vs_4_0 -DSCALE=4 error (5,1) 'SCALE is not 3'
// expect: vs_main vs_4_0 -DSCALE=3 compiles
// expect: vs_main vs_4_0 -DSCALE=3 -DFLIP -Dsign=abs compiles
