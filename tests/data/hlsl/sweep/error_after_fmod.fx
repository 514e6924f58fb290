// A syntax error after calls of fmod and sign on the same line keeps its
// column: those calls go through macros of the compiler's own.
// expect: PS ps_4_0 error (7,48) 'Expected'
cbuffer C : register(b0) { float4 v; };
float4 PS(float4 pos : SV_Position) : SV_Target
{
    float a = fmod(v.x, 2.0) + sign(v.y) * 2 + ;
    return a;
}
