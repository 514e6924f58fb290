// Abstract interface instances: a call through one is chosen when the
// shader is bound (dynamic shader linkage), which shader model 4 does not
// have: there the instance the preprocessor leaves is refused where it is
// declared. For 5_0 each takes interface slots (a global, an array in a
// cbuffer, which leaves the buffer, an entry point's uniform parameter),
// and the class instances that can fill them are recorded. An interface
// with only concrete instances compiles as before.
interface ILight
{
    float3 Illuminate(float3 normal);
};
class cSun : ILight { float3 color; float3 Illuminate(float3 normal) { return color * normal.y; } };
cSun g_sun;
#if defined(PERMUTE)
#define LIGHT g_sun
#elif defined(BUFFER)
cbuffer Lights { float4 tint; ILight g_lights[2]; };
#define LIGHT g_lights[1]
#else
ILight g_light;
#define LIGHT g_light
#endif
float4 PS(float4 pos : SV_Position) : SV_Target
{
    return float4(LIGHT.Illuminate(pos.xyz), 1);
}
float4 PS_Parameter(uniform ILight light, float4 pos : SV_Position) : SV_Target
{
    return float4(light.Illuminate(pos.xyz), 1);
}
// expect: PS ps_5_0 compiles
//   cb: $Global@b0:16
//   slots: 1 g_light:ILight@0
//   classes: 1=g_sun[0]:cSun(ILight)
// expect: PS ps_4_0 error (20,8) 'abstract interface instance 'g_light' of interface 'ILight': a call through it is resolved when the shader is bound (dynamic shader linkage), which shader model 5 introduced; ps_4_0 does not have it, and the Windows compiler refuses it there too'
// expect: PS ps_5_0 -DBUFFER compiles
//   cb: $Global@b0:16
//   slots: 2 g_lights:ILight@0x2
//   classes: 1=g_sun[0]:cSun(ILight)
// expect: PS ps_4_1 -DBUFFER error (17,38) 'abstract interface instance 'g_lights''
// expect: PS_Parameter ps_5_0 -DPERMUTE compiles
//   slots: 1 light:ILight@0
// expect: PS_Parameter ps_4_0 -DPERMUTE error (27,36) 'abstract interface instance 'light''
// expect: PS ps_4_0 -DPERMUTE compiles
//   in: SV_POSITION0:f4sv
//   out: SV_TARGET0:f4@0
//   cb: $Global@b0:16
//   slots: 0
