// A particle system's stream-output pass declared in a technique.
// expect: VS vs_4_0 compiles
// expect: GSAdvance gs_4_0 compiles
struct Particle
{
    float3 position : POSITION;
    float3 velocity : NORMAL;
    float timer : TIMER;
    uint type : TYPE;
};

cbuffer cbFrame { float g_fElapsed; float3 g_vGravity; };

Particle VS(Particle p) { return p; }

[maxvertexcount(2)]
void GSAdvance(point Particle input[1], inout PointStream<Particle> stream)
{
    Particle p = input[0];
    p.timer -= g_fElapsed;
    p.velocity += g_vGravity * g_fElapsed;
    p.position += p.velocity * g_fElapsed;
    if (p.timer > 0 || p.type == 0)
        stream.Append(p);
}

GeometryShader gsStreamOut = ConstructGSWithSO(CompileShader(gs_4_0, GSAdvance()),
                                               "POSITION.xyz; NORMAL.xyz; TIMER.x; TYPE.x");

technique10 AdvanceParticles
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, VS()));
        SetGeometryShader(gsStreamOut);
        SetPixelShader(NULL);
        SetDepthStencilState(NULL, 0);
    }
}
