# Shared part of the MinGW-w64 cross toolchains: the including file sets
# CMAKE_SYSTEM_PROCESSOR and LIBINFO_TRIPLE. Debian's posix thread model, so
# the tests may use std::thread; every program is linked statically so it
# imports Windows system DLLs only.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${LIBINFO_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LIBINFO_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${LIBINFO_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${LIBINFO_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
