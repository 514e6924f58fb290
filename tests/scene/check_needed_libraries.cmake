# Fails unless PROGRAM runs and needs no shared library beyond the C and C++
# runtimes.
execute_process(COMMAND "${PROGRAM}" RESULT_VARIABLE run_result OUTPUT_QUIET)
if(NOT run_result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} exited with ${run_result}")
endif()

execute_process(COMMAND readelf -d "${PROGRAM}" OUTPUT_VARIABLE dynamic RESULT_VARIABLE readelf_result)
if(NOT readelf_result EQUAL 0)
  message(FATAL_ERROR "readelf failed on ${PROGRAM}")
endif()

string(REGEX MATCHALL "Shared library: \\[[^]]+\\]" needed "${dynamic}")
set(allowed libstdc\\+\\+\\.so|libc\\+\\+\\.so|libm\\.so|libgcc_s\\.so|libc\\.so|ld-linux)
foreach(entry IN LISTS needed)
  string(REGEX REPLACE "Shared library: \\[(.*)\\]" "\\1" library "${entry}")
  if(NOT library MATCHES "^(${allowed})")
    message(FATAL_ERROR "scene program needs ${library}")
  endif()
  message(STATUS "needs ${library}")
endforeach()
