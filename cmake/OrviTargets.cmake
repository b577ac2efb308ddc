# Flags for the project's own code, in both presets. Third-party code
# (GoogleTest) keeps its own.
function(orvi_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# A library of the project's own code, with the project root as its include
# root so that headers are named by folder: "upgrade/file_list.h".
function(orvi_library target)
  add_library(${target} STATIC ${ARGN})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  orvi_warnings(${target})
endfunction()
