// Included by dynamic_linkage_included.fx after dynamic_linkage_lights.fxh,
// whose interfaces its classes implement.

class cGlow : iLight, iMaterial
{
    float Intensity(float3 normal) { return 0.875; }
    float Reflectance() { return 0.75; }
};

class cMatte : iMaterial
{
    float Reflectance() { return 0.5; }
};

class cPainted : iMaterial
{
    float reflectance;
    float Reflectance() { return reflectance; }
};
