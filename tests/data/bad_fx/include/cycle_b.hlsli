// Closes the cycle.
static const float kCycle = 1.0;
#include "cycle_a.hlsli"
