// An error after casts to an array type on the same line keeps its column:
// the functions the casts call, written where the declaration begins, and
// the calls do not count.
// expect: vs_error_after vs_4_0 error (5,135) 'unknown variable'
float4 vs_error_after(float4 p : POSITION) : SV_Position { float a[2] = (float[2])p; float b[3] = (float[3])p.z; return a[0] + b[2] + missing; }
