# Shared by both MinGW-w64 toolchain files. The -posix compilers are required:
# the win32-thread variants lack std::mutex, which GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${SARVANE_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SARVANE_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${SARVANE_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${SARVANE_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
