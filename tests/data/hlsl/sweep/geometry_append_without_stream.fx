struct V { float4 p : SV_Position; };
void Helper(inout TriangleStream<V> s, V v)
{
    s.Append(v);
}
[maxvertexcount(3)]
void gs_main(triangle V input[3])
{
    V v = input[0];
}
// An Append() whose stream is not the entry point's is refused at the call
// (glslang gives it no place).
// expect: gs_main gs_4_0 error (4,7) 'Append() is supported by this compiler only on the entry point's own output stream'
