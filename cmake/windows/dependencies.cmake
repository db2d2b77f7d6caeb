# Windows: everything is linked statically into one .exe. Lua 5.2 and liblzma are built from
# Debian's source packages (scripts/build-windows fetches them with apt-get source into
# TAMLO_WINDOWS_SOURCES), GoogleTest from Debian's googletest sources, stb is headers.
find_package(Threads REQUIRED)

if(NOT TAMLO_WINDOWS_SOURCES)
  message(FATAL_ERROR "TAMLO_WINDOWS_SOURCES must name the folder with the unpacked "
    "lua5.2 and xz-utils source packages (scripts/build-windows sets it)")
endif()
file(GLOB lua_source_dir LIST_DIRECTORIES true ${TAMLO_WINDOWS_SOURCES}/lua5.2-*)
file(GLOB xz_source_dir LIST_DIRECTORIES true ${TAMLO_WINDOWS_SOURCES}/xz-utils-*)
if(NOT lua_source_dir OR NOT xz_source_dir)
  message(FATAL_ERROR "lua5.2 or xz-utils sources missing in ${TAMLO_WINDOWS_SOURCES}")
endif()

# Lua, as C (an error unwinds with longjmp, as Debian's Linux build does).
file(GLOB lua_sources ${lua_source_dir}/src/*.c)
list(REMOVE_ITEM lua_sources ${lua_source_dir}/src/lua.c ${lua_source_dir}/src/luac.c)
add_library(tamlo_lua STATIC ${lua_sources})
target_compile_definitions(tamlo_lua PUBLIC LUA_COMPAT_ALL)
target_include_directories(tamlo_lua SYSTEM PUBLIC ${lua_source_dir}/src)
target_compile_options(tamlo_lua PRIVATE -w)
if(TAMLO_SMALL_ENGINE)
  target_compile_options(tamlo_lua PRIVATE -Os)  # an installer's scripts are not its hot path
endif()
add_library(Tamlo::Lua ALIAS tamlo_lua)

# liblzma through its own CMake project; only the library is built.
set(BUILD_SHARED_LIBS OFF)
add_subdirectory(${xz_source_dir} ${CMAKE_BINARY_DIR}/xz EXCLUDE_FROM_ALL SYSTEM)
target_compile_options(liblzma PRIVATE -w)
# The decoder copies each match with memcpy, and calling the C runtime's (Wine's above all)
# costs more than a short match takes to copy: short copies are inlined, long ones call it.
target_compile_options(liblzma PRIVATE -minline-all-stringops
  -mmemcpy-strategy=vector_loop:256:noalign,libcall:-1:noalign)
add_library(Tamlo::Lzma INTERFACE IMPORTED GLOBAL)
target_link_libraries(Tamlo::Lzma INTERFACE liblzma)
target_include_directories(Tamlo::Lzma SYSTEM INTERFACE ${xz_source_dir}/src/liblzma/api)

# Header-only libraries from the Linux packages: only their own folders are put on the path
# (never /usr/include itself, whose C library headers are not Windows').
set(header_root ${CMAKE_BINARY_DIR}/header-only)
file(MAKE_DIRECTORY ${header_root})
foreach(folder stb rapidxml)
  if(NOT EXISTS /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} is missing (scripts/setup installs it)")
  endif()
  file(CREATE_LINK /usr/include/${folder} ${header_root}/${folder} SYMBOLIC)
endforeach()
add_library(tamlo_header_only INTERFACE)
target_include_directories(tamlo_header_only SYSTEM INTERFACE ${header_root} /usr/include/stb)
link_libraries(tamlo_header_only)

# stb: the installed headers, with their implementations compiled once here.
add_library(tamlo_stb STATIC ${CMAKE_CURRENT_LIST_DIR}/stb_implementation.c)
target_compile_options(tamlo_stb PRIVATE -w)
add_library(Tamlo::Stb ALIAS tamlo_stb)

# The Windows libraries the platform layer calls.
set(TAMLO_WIN32_LIBRARIES user32 gdi32 imm32 ole32 oleaut32 uuid shell32 shlwapi comctl32
  advapi32 comdlg32)

# GoogleTest from Debian's sources (googletest package), built with this compiler.
if(TAMLO_TESTS)
  set(gtest_force_shared_crt OFF)
  set(INSTALL_GTEST OFF)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()
