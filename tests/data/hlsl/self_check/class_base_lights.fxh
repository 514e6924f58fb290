// Included by class_lights.fxh: an interface and the class at the root of
// the hierarchy that classes_across_files.fx builds on.

interface iLight
{
    float3 Illuminate(float3 normal);
};

class cAmbient : iLight
{
    float3 color;
    bool enabled;
    float3 Illuminate(float3 normal) { return color * enabled; }
    float3 Scaled(float k) { return color * k; }
};
