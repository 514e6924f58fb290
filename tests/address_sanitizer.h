#pragma once

// FXDEMO_ADDRESS_SANITIZER is defined when AddressSanitizer instruments this
// file, under GCC (__SANITIZE_ADDRESS__) or Clang (__has_feature).

#if defined(__SANITIZE_ADDRESS__)
#define FXDEMO_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FXDEMO_ADDRESS_SANITIZER 1
#endif
#endif
