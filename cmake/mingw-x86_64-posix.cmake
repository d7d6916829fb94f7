# The test programs' compilers for 64-bit Windows (see mingw-i686.cmake): for machines that cannot
# run 32-bit x86 code at all, where Wine runs only 64-bit Windows programs.
set(TORVEXA_MINGW_THREADS posix)
set(TORVEXA_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
