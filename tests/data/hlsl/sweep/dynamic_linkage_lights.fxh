// Included by dynamic_linkage_included.fx: the lights.
#include "dynamic_linkage_interfaces.fxh"

class cAmbient : iLight
{
    float level;
    float Intensity(float3 normal) { return level; }
};

class cDirectional : iLight
{
    float3 direction;
    float strength;
    float Intensity(float3 normal) { return strength * saturate(dot(normal, direction)); }
};

class cUnlit : iLight
{
    float Intensity(float3 normal) { return 0.0625; }
};
