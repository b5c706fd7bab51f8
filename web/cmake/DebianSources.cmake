# The C libraries the shared code needs, compiled for the browser from the
# Debian source packages that scripts/web unpacks under MORVEL_WEB_SOURCES
# (nothing here is downloaded by CMake). Only the files each library's own
# build would compile for a static, no-SIMD configuration.

function(morvel_find_source var pattern)
  file(GLOB found LIST_DIRECTORIES true "${MORVEL_WEB_SOURCES}/${pattern}")
  if(NOT found)
    message(FATAL_ERROR "no ${pattern} under ${MORVEL_WEB_SOURCES}: run scripts/web")
  endif()
  list(GET found 0 dir)
  set(${var} ${dir} PARENT_SCOPE)
endfunction()

morvel_find_source(ZLIB_DIR "zlib-*")
morvel_find_source(PNG_DIR "libpng1.6-*")
morvel_find_source(KISSFFT_DIR "kissfft-*")

add_library(web_zlib STATIC
  ${ZLIB_DIR}/adler32.c ${ZLIB_DIR}/crc32.c ${ZLIB_DIR}/inffast.c ${ZLIB_DIR}/inflate.c
  ${ZLIB_DIR}/inftrees.c ${ZLIB_DIR}/zutil.c ${ZLIB_DIR}/deflate.c ${ZLIB_DIR}/trees.c)
target_include_directories(web_zlib PUBLIC ${ZLIB_DIR})
target_compile_options(web_zlib PRIVATE -w)

# libpng's own build copies the prebuilt configuration header for a default build.
configure_file(${PNG_DIR}/scripts/pnglibconf.h.prebuilt ${CMAKE_BINARY_DIR}/png/pnglibconf.h COPYONLY)
add_library(web_png STATIC
  ${PNG_DIR}/png.c ${PNG_DIR}/pngerror.c ${PNG_DIR}/pngget.c ${PNG_DIR}/pngmem.c
  ${PNG_DIR}/pngpread.c ${PNG_DIR}/pngread.c ${PNG_DIR}/pngrio.c ${PNG_DIR}/pngrtran.c
  ${PNG_DIR}/pngrutil.c ${PNG_DIR}/pngset.c ${PNG_DIR}/pngtrans.c ${PNG_DIR}/pngwio.c
  ${PNG_DIR}/pngwrite.c ${PNG_DIR}/pngwtran.c ${PNG_DIR}/pngwutil.c)
target_include_directories(web_png PUBLIC ${PNG_DIR} ${CMAKE_BINARY_DIR}/png)
target_link_libraries(web_png PUBLIC web_zlib)
target_compile_options(web_png PRIVATE -w)

# The native build reaches kissfft as <kissfft/kiss_fftr.h> with float samples.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/kissfft-include/kissfft)
foreach(header kiss_fft.h kiss_fftr.h kiss_fft_log.h)
  configure_file(${KISSFFT_DIR}/${header} ${CMAKE_BINARY_DIR}/kissfft-include/kissfft/${header} COPYONLY)
endforeach()
add_library(web_kissfft STATIC ${KISSFFT_DIR}/kiss_fft.c ${KISSFFT_DIR}/kiss_fftr.c)
target_include_directories(web_kissfft PUBLIC ${CMAKE_BINARY_DIR}/kissfft-include ${KISSFFT_DIR})
target_compile_definitions(web_kissfft PUBLIC kiss_fft_scalar=float)
target_compile_options(web_kissfft PRIVATE -w)

# libjpeg-turbo generates its configuration headers, so its own CMake build runs
# (scripts/web) and only the static library and headers are taken from it.
set(JPEG_BUILD ${MORVEL_WEB_SOURCES}/../jpeg-build)
morvel_find_source(JPEG_DIR "libjpeg-turbo-*")
add_library(web_jpeg STATIC IMPORTED)
set_target_properties(web_jpeg PROPERTIES IMPORTED_LOCATION ${JPEG_BUILD}/libjpeg.a
  INTERFACE_INCLUDE_DIRECTORIES "${JPEG_DIR};${JPEG_BUILD}")
