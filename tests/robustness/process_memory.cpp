#include "process_memory.h"

#include <fstream>

#include <malloc.h>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FXDEMO_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define FXDEMO_ADDRESS_SANITIZER 1
#endif

#if defined(FXDEMO_ADDRESS_SANITIZER)
#include <sanitizer/allocator_interface.h>
#endif

namespace robustness {

bool AddressSanitized()
{
#if defined(FXDEMO_ADDRESS_SANITIZER)
    return true;
#else
    return false;
#endif
}

std::size_t ResidentBytes()
{
    malloc_trim(0);
    std::ifstream statm("/proc/self/statm");
    std::size_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

std::size_t HeapBytesInUse()
{
#if defined(FXDEMO_ADDRESS_SANITIZER)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

} // namespace robustness
