# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (scripts/windows).
# The -posix compilers: the default ones use the win32 thread model, which has
# no std::thread or std::mutex. Libraries come from MORVEL_WINDOWS_PREFIX (the
# Debian sources scripts/windows compiles) and the toolchain's own folder, never
# from this machine's /usr.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MORVEL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MORVEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MORVEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MORVEL_MINGW_TRIPLE}-windres)

# try_compile projects read this file again; the prefix must reach them too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MORVEL_WINDOWS_PREFIX)
if(NOT MORVEL_WINDOWS_PREFIX AND DEFINED ENV{MORVEL_WINDOWS_PREFIX})
  set(MORVEL_WINDOWS_PREFIX $ENV{MORVEL_WINDOWS_PREFIX})
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${MORVEL_MINGW_TRIPLE} ${MORVEL_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config sees only the Windows libraries, and gives the flags of a static
# link (each library's private dependencies too).
set(ENV{PKG_CONFIG_LIBDIR} "${MORVEL_WINDOWS_PREFIX}/lib/pkgconfig:/usr/${MORVEL_MINGW_TRIPLE}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_ARGN --static)

# Everything is linked in: a fresh Windows has none of GCC's runtime DLLs
# (libgcc, libstdc++, winpthread), and Windows has no RUNPATH, so a DLL beside
# the executable could still lose to one of the same name found first on the
# PATH. No time stamp in the PE header, so that the same build gives the same
# bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
