# The shipped executable's compilers, built for 64-bit Windows (see mingw-x86_64-posix.cmake).
set(TORVEXA_MINGW_THREADS win32)
set(TORVEXA_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
