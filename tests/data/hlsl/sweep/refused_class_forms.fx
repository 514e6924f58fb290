// Class forms this compiler refuses, each at its place: a method declared
// in a class and defined outside it, a base class declared after the class
// derived from it, two base classes, and a directive inside a base's method,
// which the copy into the derived class could not keep (refused at the
// derived class). Each case under a macro: the others, though the token
// scan sees them, are not refused.
#if defined(OUTSIDE)
class cSun { float3 color; float3 Shade(float3 n); };
float3 cSun::Shade(float3 n) { return color * n; }
#elif defined(LATER)
class cSun : cBase { float3 color; };
class cBase { float a; };
#elif defined(TWO)
class cA { float a; };
class cB { float b; };
class cSun : cA, cB { float c; };
#elif defined(DIRECTIVE)
class cBase { float a; float Get() {
#if 1
    return a;
#endif
} };
class cSun : cBase { float c; };
#endif
float4 PS(float4 pos : SV_Position) : SV_Target { return pos; }
// expect: PS ps_4_0 -DOUTSIDE error (8,35) 'the method 'cSun::Shade' is declared without its body'
// expect: PS ps_4_0 -DLATER error (11,14) ''cBase', a base of 'cSun', is not a class or interface declared before it'
// expect: PS ps_4_0 -DTWO error (16,18) 'derives from two classes, 'cA' and 'cB''
// expect: PS ps_4_0 -DDIRECTIVE error (23,12) 'a preprocessor directive inside a member of 'cBase', a base class of 'cSun' (line 19)'
