// A static variable declared inside a cbuffer is an ordinary static: it
// takes no room in the buffer (b sits at byte 4, right after a), keeps its
// initializer (one that reads a member included), may size a later member's array and may be written.
// b0: float 2 3 0 0
// b0: float 5 0 0 0  6 0 0 0
cbuffer Inputs : register(b0)
{
    float a;
    static const float kScale = 4.0;
    float b;
    static const int kCount = 2;
    float c[kCount];
    static float table[2] = { 10.0,
                              20.0 };
    static float twiceA = a * 2; // reads a member: computed when the shader starts
};

struct VSOut { float4 position : SV_Position; };

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    output.position = float4(position * (kScale * a == 8.0 ? 1.0 : 0.0), 1.0);
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
    check(a == 2 && b == 3, 1);
    check(kScale * a == 8, 2);
    check(c[0] == 5 && c[kCount - 1] == 6, 3);
    table[0] += b;
    check(table[0] == 13 && table[1] == 20, 4);
    check(twiceA == 4, 5);
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
