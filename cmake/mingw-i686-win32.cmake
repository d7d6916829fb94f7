# The shipped executable's compilers (see mingw-i686.cmake).
set(TORVEXA_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
