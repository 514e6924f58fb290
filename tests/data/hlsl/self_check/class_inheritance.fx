// Inheritance resolved when compiling. A derived class has its base's data
// (before its own, so in a cbuffer the base's members come first) and
// methods; a method it declares again overrides the base's for calls on
// it. Only interface methods are virtual: a base's method that calls an
// interface method reaches the derived class's override, one that calls a
// plain method reaches the base's own; "Base::Method()" reaches the base's.
// Three levels. In the cbuffer: a Tinted at byte 0 (gain, then tint at 4),
// a Tinted at 16.
// b0: float 2 3 0 0  5 7 0 0
interface IShade
{
    float Shade(float x);
};

class Plain : IShade
{
    float gain;
    float Shade(float x) { return x * gain; }
    float Label() { return 1; }
    float ShadeTwice(float x) { return Shade(Shade(x)); } // virtual: the most derived Shade
    float Labelled() { return Label() * 10; }            // not virtual: Plain::Label
};

class Tinted : Plain
{
    float tint;
    float Shade(float x) { return Plain::Shade(x) + tint; }
    float Label() { return 2; }
};

class Doubled : Tinted
{
    float Shade(float x) { return Tinted::Shade(x) * 2; }
    float Label() { return this.Label2() + Plain::Label(); }
    float Label2() { return 3; }
};

cbuffer Inputs : register(b0)
{
    Tinted first;
    Tinted second;
};

struct VSOut { float4 position : SV_Position; };

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    output.position = float4(position * (first.Shade(1) == 5.0 ? 1.0 : 0.0), 1.0);
    return output;
}

static uint failed = 0;
void check(bool ok, uint number)
{
    if (!ok && failed == 0)
        failed = number;
}

float4 ps_main(VSOut input) : SV_Target
{
    check(first.gain == 2 && first.tint == 3 && second.gain == 5 && second.tint == 7, 1);
    check(first.Shade(1) == 5 && second.Shade(2) == 17, 2);
    check(first.ShadeTwice(1) == 13, 3);         // (1 * 2 + 3) * 2 + 3
    check(first.Labelled() == 10 && first.Label() == 2, 4);
    Plain plain;
    plain.gain = 4;
    check(plain.Shade(1) == 4 && plain.ShadeTwice(1) == 16, 5);
    Doubled doubled;
    doubled.gain = 2;
    doubled.tint = 1;
    check(doubled.Shade(1) == 6, 6);             // (1 * 2 + 1) * 2
    check(doubled.ShadeTwice(1) == 26, 7);       // Shade(6) = (6 * 2 + 1) * 2
    check(doubled.Label() == 4 && doubled.Labelled() == 10, 8);
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
