# Helpers shared by every folder's CMakeLists.txt.

# Warnings are errors in our own code only; system headers (Qt, FFmpeg) are included as SYSTEM.
function(corvale_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# corvale_library(<name> SOURCES ... [DEPS ...] [PUBLIC_LIBS ...])
# Defines the static library corvale_<name>, rooted at src/ for includes ("platform/SerialQueue.h").
function(corvale_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PUBLIC_LIBS" ${ARGN})
  set(target corvale_${name})
  add_library(${target} STATIC ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC "${CMAKE_SOURCE_DIR}/src")
  foreach(dep IN LISTS ARG_DEPS)
    target_link_libraries(${target} PUBLIC corvale_${dep})
  endforeach()
  if(ARG_PUBLIC_LIBS)
    target_link_libraries(${target} PUBLIC ${ARG_PUBLIC_LIBS})
  endif()
  corvale_warnings(${target})
endfunction()
