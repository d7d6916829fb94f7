# The test programs' compilers (see mingw-i686.cmake).
set(TORVEXA_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
