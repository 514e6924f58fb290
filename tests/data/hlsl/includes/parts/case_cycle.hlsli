#include "lib/case_cycle.hlsli"
