#include "LIB/Unknown.HLSLI"
