// Resources the layer never binds. Direct3D 11 reads an unbound slot as zero
// and drops writes to it, so each entry point paints green when every value
// it reads is zero and red otherwise.
struct Item
{
    float4 color;
    float weight;
};

tbuffer Lights
{
    float4 lightColor;
    float4 lightDirection;
};
StructuredBuffer<Item> items;
ByteAddressBuffer raw;
Buffer<float4> typed;
Texture2D<float4> plain;
RWTexture2D<float4> canvas : register(u1);
RWBuffer<uint> counts : register(u2);
RWStructuredBuffer<Item> outItems : register(u3);
AppendStructuredBuffer<Item> appended : register(u4);
ConsumeStructuredBuffer<Item> consumed : register(u5);
RWByteAddressBuffer rawOut : register(u6);
RWTexture3D<float4> volume : register(u7);

float4 Verdict(bool allZero)
{
    return allZero ? float4(0, 1, 0, 1) : float4(1, 0, 0, 1);
}

float4 structured(float4 position : SV_Position) : SV_Target
{
    uint count, stride;
    items.GetDimensions(count, stride);
    const Item item = items[uint(position.x) % 7];
    return Verdict(all(item.color == 0) && item.weight == 0 && count == 0);
}

float4 byteAddress(float4 position : SV_Position) : SV_Target
{
    uint size;
    raw.GetDimensions(size);
    return Verdict(all(raw.Load4(16 * (uint(position.y) % 4)) == 0) && raw.Load(0) == 0 && size == 0);
}

float4 typedBuffer(float4 position : SV_Position) : SV_Target
{
    uint size;
    typed.GetDimensions(size);
    return Verdict(all(typed[uint(position.x)] == 0) && all(typed.Load(3) == 0) && size == 0);
}

float4 tbufferRead(float4 position : SV_Position) : SV_Target
{
    return Verdict(all(lightColor == 0) && all(lightDirection == 0));
}

// The buffers take t0, t1 and t2 in declaration order; plain lands on t3.
float4 textureAfterBuffers(float4 position : SV_Position) : SV_Target
{
    return plain.Load(int3(0, 0, 0)) + items[0].color + asfloat(raw.Load4(0)) + typed[0];
}

float4 readWrite(float4 position : SV_Position) : SV_Target
{
    const uint2 at = uint2(position.xy);
    canvas[at] = float4(1, 2, 3, 4);
    counts[at.x] = 7;
    outItems[at.y].color = float4(5, 6, 7, 8);
    outItems[at.y].weight = 9;
    uint before;
    InterlockedAdd(counts[0], 1, before);
    uint count, stride;
    outItems.GetDimensions(count, stride);
    uint width, height;
    canvas.GetDimensions(width, height);
    // Written above, read back: still zero.
    return Verdict(all(canvas[at] == 0) && counts[at.x] == 0 && all(outItems[at.y].color == 0)
                   && outItems[at.y].weight == 0 && before == 0 && count == 0 && width == 0 && height == 0);
}

// Lights takes t0, plain t1.
float4 textureAfterTbuffer(float4 position : SV_Position) : SV_Target
{
    return plain.Load(int3(0, 0, 0)) + lightColor;
}

float4 moreReadWrite(float4 position : SV_Position) : SV_Target
{
    Item item;
    item.color = position;
    item.weight = 1;
    appended.Append(item);
    const Item taken = consumed.Consume();
    const uint index = outItems.IncrementCounter();
    uint before;
    rawOut.InterlockedAdd(0, 1, before);
    rawOut.Store(4, 3);
    volume[uint3(position.xy, 0)] = 1;
    return Verdict(all(taken.color == 0) && taken.weight == 0 && index == 0 && before == 0 && rawOut.Load(4) == 0
                   && all(volume[uint3(position.xy, 0)] == 0));
}

// Only writes, as a pixel shader that scatters results does.
float4 writeOnly(float4 position : SV_Position) : SV_Target
{
    canvas[uint2(position.xy)] = float4(1, 1, 1, 1);
    return float4(0, 1, 0, 1);
}

float4 vs_main(float3 position : POSITION, float3 normal : NORMAL) : SV_Position
{
    return float4(position, 1);
}
// expect: structured ps_5_0 compiles
// expect: byteAddress ps_5_0 compiles
// expect: typedBuffer ps_5_0 compiles
// expect: tbufferRead ps_5_0 compiles
// expect: readWrite ps_5_0 compiles
// expect: moreReadWrite ps_5_0 compiles
// expect: writeOnly ps_5_0 compiles
// The read-only buffers hold t0 to t2, a tbuffer a t register too.
// expect: textureAfterBuffers ps_5_0 compiles
//   tex: t3
// expect: textureAfterTbuffer ps_5_0 compiles
//   tex: t1
