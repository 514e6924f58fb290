// Nested structures as stage inputs, arrays of structures in a cbuffer,
// out and inout parameters, macros with arguments, static const arrays.
// expect: VS vs_4_0 compiles
// expect: PS ps_4_0 compiles
#define MAX_LIGHTS 4
#define SQR(x) ((x) * (x))
#define ATTENUATE(d, r) saturate(1 - SQR((d) / (r)))

struct Light
{
    float3 position;
    float radius;
    float4 color;
};

cbuffer cbLights : register(b0)
{
    Light g_lights[MAX_LIGHTS];
    int g_lightCount;
};

static const float3 kLuminance = float3(0.2126, 0.7152, 0.0722);
static const float kOffsets[3] = { 0.0, 1.3846153846, 3.2307692308 };

struct Surface { float3 position : TEXCOORD0; float3 normal : TEXCOORD1; };
struct Interpolants
{
    float4 position : SV_Position;
    Surface surface;
    float2 uv : TEXCOORD2;
};

struct VertexInput { float3 position : POSITION; float3 normal : NORMAL; };

Interpolants VS(VertexInput input)
{
    Interpolants o;
    o.position = float4(input.position, 1);
    o.surface.position = input.position;
    o.surface.normal = input.normal;
    o.uv = input.position.xy * kOffsets[1];
    return o;
}

void Shade(Light light, Surface surface, inout float3 diffuse, out float attenuation)
{
    float3 toLight = light.position - surface.position;
    attenuation = ATTENUATE(length(toLight), light.radius);
    diffuse += light.color.rgb * saturate(dot(surface.normal, normalize(toLight))) * attenuation;
}

float4 PS(Interpolants input) : SV_Target
{
    float3 diffuse = 0;
    float total = 0;
    for (int i = 0; i < g_lightCount; ++i)
    {
        float attenuation;
        Shade(g_lights[i], input.surface, diffuse, attenuation);
        total += attenuation;
    }
    return float4(diffuse, dot(diffuse, kLuminance) + total);
}
