#pragma once

#include <cstdint>

// Three-word additive generator with fixed seeds: every run yields the same
// sequence, and it is never reseeded, so it continues across reloads.
extern std::int32_t randomA; // starts at 890123
extern std::int32_t randomB; // starts at 1
extern std::int32_t randomC; // starts at 234567

// Next value in [-32768/32767, 1].
float NextRandom();
