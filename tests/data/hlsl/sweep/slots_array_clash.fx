// A texture inside an array's run of registers clashes with it.
Texture2D layers[3] : register(t1);
Texture2D c : register(t3);
float4 ps_main(float4 p : SV_Position) : SV_Target
{ int3 o = int3(0, 0, 0); return layers[0].Load(o) + c.Load(o); }
// expect: ps_main ps_4_0 error (3,11) 'are both bound to register(t3)'
