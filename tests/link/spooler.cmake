# Spooler channel tests, included from tests/link/CMakeLists.txt. They start
# a CUPS scheduler of their own, so they run where CUPS does.
if(ORVI_PLATFORM STREQUAL "posix")
  # Imported targets are seen only below the folder that found them.
  find_package(Cups REQUIRED)
  orvi_gtest(spooler_tests
    LABELS link spooler
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/spooler_test.cpp
      ${CMAKE_SOURCE_DIR}/tests/support/private_cupsd.cpp
    LIBS orvi_spooler orvi_test_support Cups::Cups)
endif()
