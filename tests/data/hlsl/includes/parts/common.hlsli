#include "lib/scale.hlsli"
