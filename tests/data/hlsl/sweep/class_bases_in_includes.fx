// A class sees the classes of a file from that file's #include on: a base
// declared in a file included only after the class is refused at the base's
// name, and an error inside a class derived from an included one stays at
// its own line and column in this file.
#if defined(LATER)
class cEarly : cBase
{
    float4 Shade() { return 0; }
};
#endif
#include "class_base_included.fxh"

class cDerived : cBase
{
    float4 Shade()
    {
#if defined(BROKEN)
        return color * undeclared;
#endif
        return color * 2;
    }
};

cDerived g_derived;

float4 PS() : SV_Target
{
    return g_derived.Shade();
}

// expect: PS ps_4_0 compiles
// expect: PS ps_4_0 -DLATER error (6,16) ''cBase', a base of 'cEarly', is not a class or interface declared before it'
// expect: PS ps_4_0 -DBROKEN error (18,24) 'undeclared'
