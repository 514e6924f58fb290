#include "../CASE_CYCLE.hlsli"
