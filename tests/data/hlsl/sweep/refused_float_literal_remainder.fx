// `%` between two float constants, literals or names declared const, which
// glslang would fold wrongly; between a variable and a constant it compiles
// (and keeps the dividend's sign, as the self-checks show).
// expect: PS ps_4_0 error (9,29) 'write fmod() instead'
cbuffer C : register(b0) { float g_x; };
float4 PS(float4 pos : SV_Position) : SV_Target
{
    float wrapped = g_x % 2.5 + 0.5 * 3.0 % g_x + g_x * 3.0 % 2;
    float folded = 1 + -7.5 % 2.0;
    return wrapped + folded;
}
