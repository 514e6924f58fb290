// An array with register(t1) covers t1 to t3: the next free slot for an
// unregistered texture is t0, then t4.
Texture2D a;
Texture2D layers[3] : register(t1);
Texture2D b;
float4 ps_main(float4 p : SV_Position) : SV_Target
{ int3 o = int3(0, 0, 0); return a.Load(o) + layers[2].Load(o) + b.Load(o); }
// expect: ps_main ps_4_0 compiles
//   tex: t0 t1x3 t4
