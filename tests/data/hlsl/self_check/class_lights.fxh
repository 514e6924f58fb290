// Included by classes_across_files.fx: a class derived from one the nested
// include declares, implementing an interface of this file.
#include "class_base_lights.fxh"

interface iMaterial
{
    float3 Albedo();
    int Power();
};

class cDirectional : cAmbient, iMaterial
{
    float3 direction;
    float3 Illuminate(float3 normal) { return color * saturate(dot(normal, direction)); }
    float3 Albedo() { return direction; }
    int Power() { return 8; }
};
