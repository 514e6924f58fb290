// profile: 5_0
// Classes whose bases and interfaces other files declare: cDirectional
// (class_lights.fxh) derives from cAmbient of the file that one includes,
// class_materials.fxh from the classes and interfaces of a file included
// before it, and this file's cSpot from a class two includes deep by way
// of cDirectional, overriding the method and calling the base's version.
// cAmbient at byte 0 (color, enabled at 12), cDirectional at 16 (color,
// enabled at 28, direction at 32), cSpot at 48 (color, enabled at 60,
// direction at 64, cone at 76).
// b0: float 0.25 0.5 0.75 uint 1
// b0: float 1 2 3 uint 0 float 0 0 1 0
// b0: float 4 8 12 uint 1 float 0 0 1 0.25
#include "class_lights.fxh"
#include "class_materials.fxh"

class cSpot : cDirectional
{
    float cone;
    float3 Illuminate(float3 normal) { return cDirectional::Illuminate(normal) * cone; }
};

cbuffer Lights : register(b0)
{
    cAmbient g_ambient;
    cDirectional g_directional;
    cSpot g_spot;
};

struct VSOut { float4 position : SV_Position; };

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    output.position = float4(position * (g_directional.Illuminate(float3(0, 0, 1)).z == 3.0 ? 1.0 : 0.0), 1.0);
    return output;
}

static uint failed = 0;
void check(bool ok, uint number)
{
    if (!ok && failed == 0)
        failed = number;
}

float4 ps_main(VSOut input) : SV_Target
{
    cPlastic plastic;
    cDim dim;
    dim.color = float3(2, 4, 6);
    dim.enabled = true;
    check(all(g_ambient.Illuminate(float3(0, 1, 0)) == float3(0.25, 0.5, 0.75)), 1);
    check(all(g_directional.Illuminate(float3(0, 0, 1)) == float3(1, 2, 3)), 2);
    check(all(g_directional.Illuminate(float3(0, 0, -1)) == float3(0, 0, 0)), 3);
    check(all(g_directional.Albedo() == float3(0, 0, 1)) && g_directional.Power() == 8, 4);
    check(all(plastic.Albedo() == float3(0.5, 0.5, 0.5)) && plastic.Power() == 16, 5);
    check(all(plastic.Illuminate(float3(1, 2, 3)) == float3(1, 2, 3)), 6);
    check(g_directional.enabled == 0 && all(g_directional.Scaled(2) == float3(2, 4, 6)), 7);
    check(all(g_spot.Illuminate(float3(0, 0, 1)) == float3(1, 2, 3)), 8);
    check(all(g_spot.Albedo() == float3(0, 0, 1)) && g_spot.enabled == 1, 9);
    check(all(g_spot.Scaled(0.5) == float3(2, 4, 6)), 10);
    check(all(dim.Illuminate(float3(0, 0, 1)) == float3(1, 2, 3)), 11);
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
