# The Windows build, included by the top CMakeLists.txt when cross-compiling
# with cmake/mingw-w64-x86_64.cmake (scripts/windows). The sources are the
# native build's; the few that only Linux has are swapped for their Windows
# counterparts in win/ folders, which implement the same headers.

# The Linux-only files the subsystems leave out here: the PulseAudio latency
# watcher (libpulse, dlopen) has sound/audio/win/ServerLatencyWindows.cpp, and the
# inotify file watcher platform/win/FileWatcherWindows.cpp.
set(MORVEL_EXCLUDED_SOURCES "/sound/audio/ServerLatency\\.cpp$|/platform/FileWatcher\\.cpp$")

# Static archives only: pkg-config's -lz would otherwise find zlib's import
# library first and make the program need zlib1.dll.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)

# M_PI and friends are hidden by the C library under strict C++17 otherwise.
add_compile_definitions(_USE_MATH_DEFINES)


set(MORVEL_WINDOWS_ICON "" CACHE FILEPATH "The demo's icon as a Windows .ico (scripts/windows makes it)")

# The version as Windows writes it: four numbers.
function(morvel_windows_version out_dotted out_commas)
  file(READ ${CMAKE_SOURCE_DIR}/VERSION version)
  string(STRIP "${version}" version)
  string(REPLACE "." ";" parts "${version}")
  list(LENGTH parts count)
  while(count LESS 4)
    list(APPEND parts 0)
    math(EXPR count "${count} + 1")
  endwhile()
  list(SUBLIST parts 0 4 parts)
  list(JOIN parts "." dotted)
  list(JOIN parts "," commas)
  set(${out_dotted} ${dotted} PARENT_SCOPE)
  set(${out_commas} ${commas} PARENT_SCOPE)
  set(MORVEL_VERSION ${version} PARENT_SCOPE)
endfunction()

# A program with the icon, the manifest (DPI awareness, UTF-8 code page) and
# the version in its resources; with GUI, one that opens no console window.
function(morvel_windows_program target)
  cmake_parse_arguments(P "GUI" "" "" ${ARGN})
  morvel_windows_version(MORVEL_VERSION_QUAD MORVEL_VERSION_COMMAS)
  set(MORVEL_PROGRAM ${target})
  set(MORVEL_WINDOWS_MANIFEST ${CMAKE_BINARY_DIR}/${target}.exe.manifest)
  if(NOT MORVEL_WINDOWS_ICON)
    message(FATAL_ERROR "MORVEL_WINDOWS_ICON is not set: build through scripts/windows")
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/morvel.exe.manifest ${MORVEL_WINDOWS_MANIFEST} @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/morvel.rc.in ${CMAKE_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_BINARY_DIR}/${target}.rc)
  set_source_files_properties(${CMAKE_BINARY_DIR}/${target}.rc PROPERTIES
    OBJECT_DEPENDS "${MORVEL_WINDOWS_ICON};${MORVEL_WINDOWS_MANIFEST}")
  if(P_GUI)
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
  endif()
endfunction()

# The programs of the Windows build: the demo, and the capture tool (a console
# program), whose stills under Wine are compared with the native tool's.
function(morvel_windows_targets)
  # sdl2.pc renames main to SDL_main and links SDL2main, whose WinMain calls
  # it; mingw's start-up calls main for a GUI program as well, so the programs
  # keep their own main and both go. The subsystem is chosen per program.
  foreach(property INTERFACE_COMPILE_OPTIONS INTERFACE_LINK_OPTIONS INTERFACE_LINK_LIBRARIES)
    get_target_property(values PkgConfig::SDL2 ${property})
    if(values)
      list(FILTER values EXCLUDE REGEX "^(-Dmain=SDL_main|-mwindows|.*SDL2main.*)$")
      set_target_properties(PkgConfig::SDL2 PROPERTIES ${property} "${values}")
    endif()
  endforeach()
  morvel_windows_program(morvel GUI)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tools/capture ${CMAKE_BINARY_DIR}/tools/capture)
  morvel_windows_program(morvel-capture)
endfunction()
