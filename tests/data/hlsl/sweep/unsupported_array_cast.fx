float4 vs_main(float4 p : POSITION) : SV_Position
{
    float a[4] = (float[4])p;
    return a[0];
}
// expect: vs_main vs_4_0 error (3,18) 'casting to an array type '(float[...])' is not supported by this compiler, except from an array of the same type'
