// loops back
#include "a.hlsli"
