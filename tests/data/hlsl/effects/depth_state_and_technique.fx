DepthStencilState DepthOn { DepthEnable = TRUE; DepthFunc = LESS_EQUAL; };
float4 VS(float4 p : POSITION) : SV_Position { return p; }
technique11 Main { pass P0 { SetVertexShader(CompileShader(vs_4_0, VS())); SetPixelShader(NULL); } }
// expect: VS vs_4_0 compiles
