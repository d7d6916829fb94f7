# Cross build for 32-bit Windows with MinGW-w64. Included by the two toolchain files, which choose
# the compilers' thread model in TORVEXA_MINGW_THREADS:
#   posix  the test programs: GoogleTest needs std::mutex, which only these compilers give;
#   win32  Torvexa.exe: without winpthreads, whose Vista-only imports (GetTickCount64) the -posix
#          runtime links as soon as libstdc++'s exception support is used.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT DEFINED TORVEXA_MINGW_ARCH)
    set(TORVEXA_MINGW_ARCH i686)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${TORVEXA_MINGW_ARCH})
set(CMAKE_C_COMPILER ${TORVEXA_MINGW_ARCH}-w64-mingw32-gcc-${TORVEXA_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${TORVEXA_MINGW_ARCH}-w64-mingw32-g++-${TORVEXA_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${TORVEXA_MINGW_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TORVEXA_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
