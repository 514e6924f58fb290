BlendState B { BlendEnable[0] = TRUE; SrcBlend = SRC_ALPHA; };
technique11 T < string s = "x"; >
{
    pass P { SetBlendState(B, float4(0, 0, 0, 0), 0xFFFFFFFF); }
}
float4 PS() : SV_Target
{
    float y = 3
    return y;
}
// A syntax error after a technique with annotations and state objects.
// expect: PS ps_4_0 error (9,5) '';' : Expected'
