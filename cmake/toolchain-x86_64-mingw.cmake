# Cross build for 64-bit Windows: the plug-in for 64-bit hosts.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(LIBINFO_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
