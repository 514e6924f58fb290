# Fails when a scene source calls a trigonometric function other than through
# Sine and Cosine (single_precision.h). Called directly, std::sin and friends
# quietly take their float overloads when handed a float, and the result
# differs from the double function's in the last bits.
#   cmake -DSCENE_DIR=<scene folder> -P check_trig_calls.cmake
file(GLOB sources "${SCENE_DIR}/*.h" "${SCENE_DIR}/*.cpp")
if(NOT sources)
  message(FATAL_ERROR "no sources in ${SCENE_DIR}")
endif()
set(call "(^|[^A-Za-z0-9_])(std::)?a?(sin|cos|tan|atan2)[fl]?[ \t]*\\(")
set(offenders "")
foreach(source IN LISTS sources)
  get_filename_component(name "${source}" NAME)
  if(name STREQUAL "single_precision.cpp")
    continue() # the helpers themselves
  endif()
  file(STRINGS "${source}" lines)
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    if(line MATCHES "^[ \t]*//")
      continue()
    endif()
    if(line MATCHES "${call}")
      string(APPEND offenders "\n  ${name}:${number}: ${line}")
    endif()
  endforeach()
endforeach()
if(offenders)
  message(FATAL_ERROR "call Sine or Cosine instead:${offenders}")
endif()
