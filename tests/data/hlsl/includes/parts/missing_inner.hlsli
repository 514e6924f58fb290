#include "missing.hlsli"
