#pragma once

#include "platform/api.h"

// Reports a failing creation step on standard output, in the one form every
// step uses: the source name, the step's fixed number, the result code and
// the step's label.
void ErrorLine(int number, HRESULT result, const char* label);

// The same for an operation that returns an object pointer instead of a code
// and returned none.
void ErrorLineNull(int number, const char* label);

// True when a step's result is not 0, after printing its error line.
bool StepFailed(HRESULT result, int number, const char* label);
