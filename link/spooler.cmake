# The spooler job channel, included from link/CMakeLists.txt. The Windows
# file arrives with the Windows spooler work; until then only platforms that
# have theirs get the library.
set(ORVI_SPOOLER_SOURCE ${CMAKE_CURRENT_LIST_DIR}/spooler_channel_${ORVI_PLATFORM}.cpp)
if(EXISTS ${ORVI_SPOOLER_SOURCE})
  orvi_library(orvi_spooler ${ORVI_SPOOLER_SOURCE})
  if(ORVI_PLATFORM STREQUAL "posix")
    find_package(Cups REQUIRED)
    target_link_libraries(orvi_spooler PRIVATE Cups::Cups)
  endif()
endif()
