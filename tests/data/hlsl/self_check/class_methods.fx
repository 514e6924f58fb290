// Methods of structs and classes, resolved when compiling: members used
// without "this.", with it, a method calling another, a static method, a
// method that writes a member, methods on an array element, on a member
// that is itself a class, on a static global with an initializer, and on
// instances in a cbuffer, which read the buffer's data. A structure in a
// cbuffer starts a register: scale at byte 0 (float3 factor, float bias),
// offsets[0] at 16 and offsets[1] at 32.
// b0: float 2 3 4 0.5
// b0: float 10 0 0 0  20 0 0 0
struct Scale
{
    float3 factor;
    float bias;
    float3 Apply(float3 v) { return v * factor + bias; }
    float Sum() { return factor.x + factor.y + this.factor.z; }
};

class Offset
{
    float amount;
    float Add(float v) { return v + amount; }
    float Twice(float v) { return Add(Add(v)); }
    static float Half(float v) { return v * 0.5; }
    void Set(float v) { amount = v; }
};

cbuffer Inputs : register(b0)
{
    Scale scale;
    Offset offsets[2];
};

class Pair
{
    Offset first;
    float second;
    float Both() { return first.Add(second); }
};

static Offset kSeven = { 7.0 };

struct VSOut { float4 position : SV_Position; };

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    output.position = float4(position * (scale.Sum() == 9.0 ? 1.0 : 0.0), 1.0);
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
    check(all(scale.Apply(float3(1, 2, 3)) == float3(2.5, 6.5, 12.5)), 1);
    check(scale.Sum() == 9, 2);
    check(offsets[1].Add(1) == 21 && offsets[0].Twice(1) == 21, 3);
    uint i = (uint)input.position.x % 2;
    check(offsets[i].Add(0) == (i == 0 ? 10 : 20), 4);
    Offset local;
    local.Set(3);
    check(local.amount == 3 && local.Twice(1) == 7, 5);
    check(Offset::Half(5) == 2.5 && kSeven.Add(1) == 8, 6);
    Pair pair;
    pair.first = offsets[0];
    pair.second = 5;
    check(pair.Both() == 15, 7);
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
