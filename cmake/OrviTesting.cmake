# GoogleTest for both presets. The Linux build uses Debian's libgtest-dev;
# the Windows build compiles Debian's googletest sources with the cross
# compiler, and CTest runs the test programs under Wine.
if(CMAKE_CROSSCOMPILING)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # The framework's own speed does not matter; its build time does.
  target_compile_options(gtest PRIVATE -O1)
  target_compile_options(gtest_main PRIVATE -O1)
  set(ORVI_GTEST_LIBS gtest gtest_main)
  # Each test run gets a Wine prefix of its own (see cmake/wine-run).
  configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
    @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
else()
  find_package(GTest REQUIRED)
  set(ORVI_GTEST_LIBS GTest::gtest GTest::gtest_main)
endif()
include(GoogleTest)

# Gives every test found in a GoogleTest program its labels and resource
# locks. gtest_discover_tests' own PROPERTIES keeps only the first element
# of a list, so the properties are set by a script that CTest runs after
# the discovery, over the list of tests the discovery made.
function(orvi_discovered_test_properties target)
  cmake_parse_arguments(ARG "" "" "LABELS;LOCKS" ${ARGN})
  set(script "${CMAKE_CURRENT_BINARY_DIR}/${target}_properties.cmake")
  set(properties "LABELS \"${ARG_LABELS}\"")
  if(ARG_LOCKS)
    string(APPEND properties " RESOURCE_LOCK \"${ARG_LOCKS}\"")
  endif()
  file(WRITE "${script}"
    "if(${target}_TESTS)\n  set_tests_properties(\${${target}_TESTS} PROPERTIES ${properties})\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
endfunction()

# orvi_gtest(NAME LABELS label... SOURCES file... LIBS lib...)
function(orvi_gtest name)
  cmake_parse_arguments(ARG "" "" "LABELS;SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${ORVI_GTEST_LIBS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  orvi_warnings(${name})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120)
  orvi_discovered_test_properties(${name} LABELS ${ARG_LABELS})
endfunction()
