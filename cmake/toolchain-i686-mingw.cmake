# Cross build for 32-bit Windows: the plug-in for 32-bit hosts.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(LIBINFO_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
