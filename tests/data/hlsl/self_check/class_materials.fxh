// Included by classes_across_files.fx after class_lights.fxh, which it does
// not include itself: its classes implement interfaces that file declares
// and derive from its classes.

class cPlastic : iMaterial, iLight
{
    float3 Albedo() { return float3(1, 1, 1) * 0.5; }
    int Power() { return 16; }
    float3 Illuminate(float3 normal) { return normal; }
};

class cDim : cAmbient
{
    float3 Illuminate(float3 normal) { return cAmbient::Illuminate(normal) * 0.5; }
};
