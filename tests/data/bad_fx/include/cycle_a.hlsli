// Included by include_cycle.fx; includes its partner, which includes it.
#include "cycle_b.hlsli"
