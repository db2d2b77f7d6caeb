# Cross-compiles for 32-bit Windows (i686) with Debian's mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TAMLO_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
