#include "gfx/error_line.h"

#include <cstdio>

namespace {

const char kSource[] = "scene";

} // namespace

void ErrorLine(int number, HRESULT result, const char* label)
{
    std::printf("ERROR : %s : %d 0x%08X : %s\n", kSource, number, static_cast<unsigned>(result), label);
}

void ErrorLineNull(int number, const char* label)
{
    std::printf("ERROR : %s : %d NULL   : %s\n", kSource, number, label);
}

bool StepFailed(HRESULT result, int number, const char* label)
{
    if (result == 0)
        return false;
    ErrorLine(number, result, label);
    return true;
}
