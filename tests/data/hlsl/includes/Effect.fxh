float4 VS(float4 p : POSITION) : SV_Position { return p; }
technique11 First
{
    pass P0 { SetVertexShader(CompileShader(vs_4_0, VS())); }
}
#if 1
technique11 Guarded { pass P0 { SetPixelShader(NULL); } }
#endif
float4 PS() : SV_Target
{
    float4 c = 1;
    return c + notDeclared;
}
// Effect blocks are blanked, not removed: the error keeps its place.
// expect: PS ps_4_0 error (12,16) 'notDeclared'
// expect: VS vs_4_0 error (12,16) 'notDeclared'
