// profile: 5_0
// Interfaces implemented by several classes, called on concrete instances,
// which the compiler resolves: a class that implements two interfaces, one
// that derives from a class and implements another interface, instances
// in a cbuffer that read its data, and the static-permutation style, where
// a macro names the instance the shader calls. cAmbient at byte 0 (color,
// enabled at 12), cDirectional at 16 (color, then direction at 32).
// b0: float 0.25 0.5 0.75 uint 1
// b0: float 1 2 3 0  0 0 1 0
#define LIGHT g_directional
#define MATERIAL g_material

interface iLight
{
    float3 Illuminate(float3 normal);
};

interface iMaterial
{
    float3 Albedo();
    int Power();
};

class cAmbient : iLight
{
    float3 color;
    bool enabled;
    float3 Illuminate(float3 normal) { return color * enabled; }
};

class cDirectional : cAmbient, iMaterial
{
    float3 direction;
    float3 Illuminate(float3 normal) { return color * saturate(dot(normal, direction)); }
    float3 Albedo() { return direction; }
    int Power() { return 8; }
};

class cPlastic : iMaterial, iLight
{
    float3 Albedo() { return float3(1, 1, 1) * 0.5; }
    int Power() { return 16; }
    float3 Illuminate(float3 normal) { return normal; }
};

cbuffer Lights : register(b0)
{
    cAmbient g_ambient;
    cDirectional g_directional;
};

#if defined(DYNAMIC)
iLight g_light;
#endif

static cPlastic g_material;

struct VSOut { float4 position : SV_Position; };

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    output.position = float4(position * (LIGHT.Illuminate(float3(0, 0, 1)).z == 3.0 ? 1.0 : 0.0), 1.0);
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
    check(all(g_ambient.Illuminate(float3(0, 1, 0)) == float3(0.25, 0.5, 0.75)), 1);
    check(all(LIGHT.Illuminate(float3(0, 0, 1)) == float3(1, 2, 3)), 2);
    check(all(LIGHT.Illuminate(float3(0, 0, -1)) == float3(0, 0, 0)), 3);
    check(all(g_directional.Albedo() == float3(0, 0, 1)) && g_directional.Power() == 8, 4);
    check(all(MATERIAL.Albedo() == float3(0.5, 0.5, 0.5)) && MATERIAL.Power() == 16, 5);
    check(all(g_material.Illuminate(float3(1, 2, 3)) == float3(1, 2, 3)), 6);
    check(g_directional.enabled == 0 && all(g_directional.color == float3(1, 2, 3)), 7);
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
