# Common settings for every target of the project: warnings, sanitizers, include root.

set(HALVO_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
    -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
# GCC 12 reports out-of-bounds copies inside libstdc++'s vector insertion at -O2 and above that
# cannot happen (its bugs 105329, 106199, 107852); real out-of-bounds accesses are caught by the
# sanitizer build.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND HALVO_WARNINGS -Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread -Wno-restrict)
endif()
if(HALVO_WERROR)
  list(APPEND HALVO_WARNINGS -Werror)
endif()

if(HALVO_SANITIZE)
  set(HALVO_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
      -fno-omit-frame-pointer)
  add_compile_options(${HALVO_SANITIZER_FLAGS})
  add_link_options(${HALVO_SANITIZER_FLAGS})
endif()

if(HALVO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "HALVO_FUZZ needs clang (libFuzzer)")
  endif()
  # Coverage instrumentation everywhere, so the fuzz targets see into the libraries.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# halvo_defaults(<target>): warnings and the src/ include root for a target of ours.
function(halvo_defaults target)
  target_compile_options(${target} PRIVATE ${HALVO_WARNINGS})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src)
endfunction()

# halvo_library(<name> <sources...>): one library per subsystem folder.
function(halvo_library name)
  add_library(${name} STATIC ${ARGN})
  halvo_defaults(${name})
endfunction()
