# Run as a test (cmake -DSOURCE_DIR=... -P core_without_qt.cmake): the station's core must build
# without Qt, so that halvo-cli, the tests and -DHALVO_GUI=OFF builds need no toolkit. Only
# src/gui may include a Qt header or link a Qt library.

file(GLOB_RECURSE sources
  ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.hpp ${SOURCE_DIR}/src/*.c ${SOURCE_DIR}/src/*.cpp
  ${SOURCE_DIR}/src/*/CMakeLists.txt ${SOURCE_DIR}/src/CMakeLists.txt)
set(checked 0)
set(offenders "")
foreach(file ${sources})
  if(file MATCHES "/src/gui/")
    continue()
  endif()
  math(EXPR checked "${checked} + 1")
  if(file MATCHES "CMakeLists.txt$")
    file(STRINGS ${file} hits REGEX "Qt[56]?::|find_package\\(Qt")
  else()
    file(STRINGS ${file} hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Z][A-Za-z]*|Qt[A-Za-z]*/[^>\"]*)[>\"]")
  endif()
  if(hits)
    list(APPEND offenders "${file}: ${hits}")
  endif()
endforeach()

if(checked EQUAL 0)
  message(FATAL_ERROR "no core sources found under ${SOURCE_DIR}/src")
endif()
if(offenders)
  string(REPLACE ";" "\n  " listing "${offenders}")
  message(FATAL_ERROR "Qt outside src/gui:\n  ${listing}")
endif()
message(STATUS "${checked} core files checked: none uses Qt")
