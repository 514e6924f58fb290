// A file's own macros named like intrinsics, and macros that call them.
// expect: PS ps_4_0 compiles
#define sign(x) ((x) < 0 ? -1.0 : 1.0)
#define WRAP(x) fmod((x), 1.0)
cbuffer C : register(b0) { float4 v; };
float4 PS(float4 pos : SV_Position) : SV_Target
{
    return float4(sign(v.x), WRAP(v.y), fmod(-7.5, 2), 1);
}
