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
