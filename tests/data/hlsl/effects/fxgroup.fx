// Techniques grouped in fxgroups, with annotations on the techniques, their
// passes and a global.
float4 tint < string UIName = "Tint"; string UIWidget = "Color"; > = float4(1, 0.5, 0.25, 1);

float4 VS(float4 p : POSITION) : SV_Position { return p; }
float4 PS() : SV_Target { return tint; }

fxgroup Opaque
{
    technique11 Lit < string Script = "Pass=P0;"; >
    {
        pass P0 < bool wireframe = false; >
        {
            SetVertexShader(CompileShader(vs_5_0, VS()));
            SetHullShader(NULL);
            SetDomainShader(NULL);
            SetPixelShader(CompileShader(ps_5_0, PS()));
        }
    }
}

fxgroup Debug { technique11 Flat { pass P0 { SetPixelShader(CompileShader(ps_4_0, PS())); } } }
// expect: VS vs_5_0 compiles
// expect: PS ps_5_0 compiles
