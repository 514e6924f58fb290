#include "LIB/Scale.hlsli"
