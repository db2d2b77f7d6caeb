# Cross-compiles for 64-bit Windows (x86_64) with Debian's mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TAMLO_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
