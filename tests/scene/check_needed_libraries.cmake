# Fails when PROGRAM needs a shared library beyond the C and C++ runtimes
# (and GoogleTest, where it is shared).
execute_process(COMMAND readelf -d "${PROGRAM}" OUTPUT_VARIABLE dynamic RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "readelf failed on ${PROGRAM}")
endif()
string(REGEX MATCHALL "Shared library: \\[[^]]+\\]" needed "${dynamic}")
foreach(entry IN LISTS needed)
  if(NOT entry MATCHES "\\[(libstdc\\+\\+|libc\\+\\+|libm|libgcc_s|libc|ld-linux|libgtest)[.-]")
    message(FATAL_ERROR "the scene needs ${entry}")
  endif()
endforeach()
