// Included by class_bases_in_includes.fx.

class cBase
{
    float4 color;
    float4 Shade() { return color; }
};
