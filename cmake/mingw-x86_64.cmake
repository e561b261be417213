# The 64-bit Windows test build, for Wine without 32-bit support.
set(TQ_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
