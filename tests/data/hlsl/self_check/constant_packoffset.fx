// packoffset() places members anywhere in the buffer, out of declaration
// order and with types mixed in one register: register cN is byte 16 N,
// component .y .z .w adds 4, 8, 12.
// b0: float 0 0.5 1.5 uint 7
// b0: float 1 2 3 int -9
// b0: float 0.25 0.5 0.75 1
cbuffer Placed : register(b0)
{
    float3 dir : packoffset(c1);       // 16
    uint mask : packoffset(c0.w);      // 12
    int level : packoffset(c1.w);      // 28
    float2 pair : packoffset(c0.y);    // 4
    float4 colour : packoffset(c2);    // 32
};

struct VSOut { float4 position : SV_Position; };

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    output.position = float4(position * (mask == 7 ? 1.0 : 0.0), 1.0);
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
    check(all(dir == float3(1, 2, 3)), 1);
    check(mask == 7, 2);
    check(level == -9, 3);
    check(all(pair == float2(0.5, 1.5)), 4);
    check(all(colour == float4(0.25, 0.5, 0.75, 1)), 5);
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
