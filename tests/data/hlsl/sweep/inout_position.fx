// An `inout` SV_Position vertex parameter is an element of the input layout
// and the position the stage writes; the other inout parameters are each an
// input and an output of their semantic.
// expect: vs_main vs_4_0 compiles
//   in: SV_POSITION0:f4@0 TEXCOORD0:f2@1
//   out: SV_POSITION0:f4sv TEXCOORD0:f2~
void vs_main(inout float4 position : SV_Position, inout float2 uv : TEXCOORD0)
{
    position.xy = position.xy * 2.0 - 1.0;
    uv = uv.yx;
}
