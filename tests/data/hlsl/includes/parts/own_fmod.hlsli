// A library's own fmod and sign, of other signatures than HLSL's.
float fmod(float x, float y, float z) { return x - y * floor(x / y) + z; }
int sign(int a, int b) { return a < b ? -1 : 1; }
