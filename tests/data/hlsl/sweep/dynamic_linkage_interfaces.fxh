// Included by dynamic_linkage_lights.fxh: the interfaces of
// dynamic_linkage_included.fx.

interface iLight
{
    float Intensity(float3 normal);
};

interface iMaterial
{
    float Reflectance();
};
