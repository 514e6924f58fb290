#include "b.hlsli"
