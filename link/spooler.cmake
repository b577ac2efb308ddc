# The spooler job channel, included from link/CMakeLists.txt: a CUPS job on
# Linux, a job of the Windows spooler on Windows.
orvi_library(orvi_spooler ${CMAKE_CURRENT_LIST_DIR}/spooler_channel_${ORVI_PLATFORM}.cpp)
if(ORVI_PLATFORM STREQUAL "posix")
  find_package(Cups REQUIRED)
  target_link_libraries(orvi_spooler PRIVATE Cups::Cups)
else()
  # winspool.drv is loaded from the system folder when first needed, never
  # imported (spooler_api_win32.h says why).
  target_sources(orvi_spooler PRIVATE ${CMAKE_CURRENT_LIST_DIR}/spooler_api_win32.cpp)
endif()
