float4 vs_main(float4 p : POSITION) : SV_Position
{
    float a[4] = (float[4])p;
    return a[0];
}
#ifdef PRODUCT
float4x4 m;
float4 vs_product(float4 p : POSITION) : SV_Position
{
    float a[4] = (float[4])mul(p, m);
    return a[0];
}
#endif
// A cast to an array type compiles where the operand's type is known from
// the text; mul() is not typed there, so glslang sees the cast and fails in
// words of its own, replaced by the explanation.
// expect: vs_main vs_4_0 compiles
// expect: vs_product vs_4_0 -DPRODUCT error (10,18) 'casting to an array type '(float[...])' is supported by this compiler only from an operand whose type it can tell before preprocessing'
