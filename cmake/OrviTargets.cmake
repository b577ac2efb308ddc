# Flags for the project's own code, in both presets. Third-party code
# (GoogleTest) keeps its own.
function(orvi_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  # GCC 12 at -O3 warns of overlapping copies inside libstdc++'s own string
  # concatenation (GCC bug 105329), which the Windows build's -O3 meets.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()

# A library of the project's own code, with the project root as its include
# root so that headers are named by folder: "upgrade/file_list.h".
function(orvi_library target)
  add_library(${target} STATIC ${ARGN})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  orvi_warnings(${target})
endfunction()
