# Cross-compiles for 64-bit Windows 10 and later with Debian's mingw-w64 (the posix thread
# model, which has std::thread), against the libraries packaging/windows/build-deps makes.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(host x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${host}-gcc-posix)
set(CMAKE_CXX_COMPILER ${host}-g++-posix)
set(CMAKE_RC_COMPILER ${host}-windres)

get_filename_component(source_dir ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
# Where packaging/windows/build-deps put libspng and pixman for Windows (-D to say otherwise).
if(NOT DEFINED PICTAVEX_WINDOWS_DEPS)
  set(PICTAVEX_WINDOWS_DEPS ${source_dir}/build/windows-deps)
endif()
# The compiler checks read this file again: they must see the same folder.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PICTAVEX_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/${host} ${PICTAVEX_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} "${PICTAVEX_WINDOWS_DEPS}/lib/pkgconfig:/usr/${host}/lib/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
set(ZLIB_USE_STATIC_LIBS ON)  # zlib inside pictavex.exe, not beside it
# Test programs run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
