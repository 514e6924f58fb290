#pragma once

// Scalar arithmetic between a stored float32 and a double-precision constant,
// with the exact result rounded once to float32.
//
// This is what the x87 unit does with its precision control set to single:
// the operation is carried out exactly and rounded to a 24-bit significand.
// Computing in double and then converting to float would round twice, which
// differs in rare cases, so these helpers correct the double result with its
// exact error before the final rounding. They do not depend on compiler
// flags, FPU control words or optimisation level.

float RoundSum(double a, double b);
float RoundProduct(double a, double b);
float RoundQuotient(double a, double b);

// The C library's double-precision sine and cosine. The scene calls these and
// never std::sin or std::cos: given a float, those pick the single-precision
// overloads, whose results differ in the last bits. A float argument here is
// widened exactly, so the function sees the stored float32 value.
double Sine(double x);
double Cosine(double x);
