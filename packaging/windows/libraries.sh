# Sourced by scripts/windows: the C and C++ libraries the demo links, compiled
# for 64-bit Windows from Debian's source packages as static libraries, into a
# prefix cached outside the tree. The cache folder is named by a hash of every
# input (the source versions, the mingw-w64 packages, this file and the
# toolchain file), so an unchanged set is never built again and a changed one
# (a security update, a new compiler) is built afresh beside it.
# Needs: $root (the tree), $cache (the cache's top folder), $jobs, say.

# Source package, then the binary package whose copyright file describes it
# once installed here (for the licences shipped with the release). zlib has a
# mingw package of Debian's own, libz-mingw-w64-dev.
windows_sources=(
  "libsdl2 libsdl2-2.0-0"
  "libpng1.6 libpng16-16"
  "libjpeg-turbo libjpeg62-turbo"
  "mpg123 libmpg123-0"
  "libogg libogg0"
  "libvorbis libvorbisfile3"
  "libopenmpt libopenmpt0"
  "kissfft libkissfft-float131"
  "libsamplerate libsamplerate0"
)
# The Debian packages of the cross toolchain; their versions are part of the key.
mingw_packages=(gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  binutils-mingw-w64-x86-64 libz-mingw-w64-dev)

mingw_triple=x86_64-w64-mingw32
toolchain_file=$root/cmake/mingw-w64-x86_64.cmake

# Fetches every source (newest version) and sets library_prefix to the cached
# prefix for exactly this set, building it when it is not there yet.
prepare_windows_libraries() {
  local entry package key
  declare -gA library_sources=() library_versions=()
  mkdir -p "$cache/src"
  for entry in "${windows_sources[@]}"; do
    package=${entry%% *}
    fetch_source "$package" "$cache/src"
    library_sources[$package]=$source_dir
    library_versions[$package]=$source_version
  done
  key=$(library_key)
  library_prefix=$cache/$key/prefix
  if [ -f "$cache/$key/complete" ]; then
    say "libraries cached in $cache/$key"
    return 0
  fi
  rm -rf "$cache/$key"
  mkdir -p "$cache/$key"
  local start=$SECONDS
  build_all_libraries "$cache/$key/work" "$library_prefix"
  rm -rf "$cache/$key/work"
  library_manifest > "$cache/$key/versions.txt"
  touch "$cache/$key/complete"
  say "libraries built in $((SECONDS - start)) s into $cache/$key"
  remove_old_library_sets "$key"
}

# "package version" for every library compiled, and for each mingw package.
library_manifest() {
  local entry package
  for entry in "${windows_sources[@]}"; do
    package=${entry%% *}
    echo "$package ${library_versions[$package]}"
  done
  for package in "${mingw_packages[@]}"; do
    echo "$package $(dpkg-query -W -f='${Version}' "$package")"
  done
}

library_key() {
  { library_manifest; cat "${BASH_SOURCE[0]}" "$toolchain_file"; } | sha256sum | cut -c1-16
}

# Keeps the two newest sets, so that switching between branches does not
# rebuild, and the cache does not grow without end.
remove_old_library_sets() {
  local keep=$1 dir
  for dir in $(ls -1dt "$cache"/*/complete 2>/dev/null | tail -n +3); do
    dir=${dir%/complete}
    [ "${dir##*/}" = "$keep" ] || rm -rf -- "$dir"
  done
}

# Same flags for every library: optimised, no debug information, and the
# source and build folders mapped away so that the objects do not depend on
# where the cache lies.
library_cflags() {
  local work=$1
  echo "-O2 -ffile-prefix-map=$work=/build -ffile-prefix-map=$cache/src=/src"
}

cmake_library() {
  local name=$1 source=$2 work=$3 prefix=$4
  shift 4
  cmake -S "$source" -B "$work/$name" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain_file" \
    -DMORVEL_WINDOWS_PREFIX="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS="$(library_cflags "$work")" -DCMAKE_CXX_FLAGS="$(library_cflags "$work")" \
    -DBUILD_SHARED_LIBS=OFF "$@" > "$work/$name.log" 2>&1 \
    && cmake --build "$work/$name" -j"$jobs" >> "$work/$name.log" 2>&1 \
    && cmake --install "$work/$name" >> "$work/$name.log" 2>&1 \
    || { tail -n 40 "$work/$name.log" >&2; echo "windows: building $name failed (log: $work/$name.log)" >&2; return 1; }
}

# An autotools build out of the source tree, which stays untouched.
configure_library() {
  local name=$1 source=$2 work=$3 prefix=$4
  shift 4
  mkdir -p "$work/$name"
  (cd "$work/$name" &&
    PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig:/usr/$mingw_triple/lib/pkgconfig" PKG_CONFIG_PATH="" \
      CC=$mingw_triple-gcc-posix CXX=$mingw_triple-g++-posix \
      CFLAGS="$(library_cflags "$work")" CXXFLAGS="$(library_cflags "$work")" \
      "$source/configure" --host=$mingw_triple --prefix="$prefix" --disable-shared --enable-static "$@" &&
    make -j"$jobs" && make install) > "$work/$name.log" 2>&1 \
    || { tail -n 40 "$work/$name.log" >&2; echo "windows: building $name failed (log: $work/$name.log)" >&2; return 1; }
}

build_all_libraries() {
  local work=$1 prefix=$2
  local -n src=library_sources
  mkdir -p "$work" "$prefix"
  say "building SDL2"
  cmake_library sdl2 "${src[libsdl2]}" "$work" "$prefix" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF
  say "building libpng"
  cmake_library png "${src[libpng1.6]}" "$work" "$prefix" -DPNG_SHARED=OFF -DPNG_STATIC=ON \
    -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF
  say "building libjpeg-turbo"
  # The 6b interface the demo uses, as Debian's libjpeg62-turbo; no SIMD (it
  # would need nasm, and the demo decodes one photograph at start-up).
  cmake_library jpeg "${src[libjpeg-turbo]}" "$work" "$prefix" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF -DWITH_JAVA=OFF
  say "building mpg123"
  configure_library mpg123 "${src[mpg123]}" "$work" "$prefix" --disable-components --enable-libmpg123 \
    --with-cpu=x86-64 --disable-modules
  say "building libogg and libvorbis"
  cmake_library ogg "${src[libogg]}" "$work" "$prefix" -DINSTALL_DOCS=OFF
  cmake_library vorbis "${src[libvorbis]}" "$work" "$prefix" -DOGG_ROOT="$prefix"
  say "building libopenmpt"
  configure_library openmpt "${src[libopenmpt]}" "$work" "$prefix" --disable-openmpt123 --disable-examples \
    --disable-tests --disable-doxygen-doc --without-zlib --without-pulseaudio --without-portaudio \
    --without-portaudiocpp --without-sdl2 --without-sndfile --without-flac
  say "building kissfft and libsamplerate"
  # kissfft sets its install folders only on Unix; without them it installs into /.
  cmake_library kissfft "${src[kissfft]}" "$work" "$prefix" -DKISSFFT_DATATYPE=float -DKISSFFT_STATIC=ON \
    -DKISSFFT_TEST=OFF -DKISSFFT_TOOLS=OFF -DKISSFFT_OPENMP=OFF \
    -DCMAKE_INSTALL_LIBDIR=lib -DCMAKE_INSTALL_INCLUDEDIR=include -DCMAKE_INSTALL_BINDIR=bin
  cmake_library samplerate "${src[libsamplerate]}" "$work" "$prefix" -DBUILD_TESTING=OFF \
    -DLIBSAMPLERATE_EXAMPLES=OFF
  check_installed "$prefix"
}

# Each library the demo asks pkg-config for is in the prefix, headers too.
check_installed() {
  local prefix=$1 module
  for module in sdl2 libpng libjpeg libmpg123 vorbisfile libopenmpt kissfft-float samplerate; do
    PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig:/usr/$mingw_triple/lib/pkgconfig" PKG_CONFIG_PATH="" \
      pkg-config --exists "$module" || { echo "windows: $module is missing from $prefix" >&2; return 1; }
  done
  [ -f "$prefix/include/kissfft/kiss_fftr.h" ] || { echo "windows: kissfft's headers are missing" >&2; return 1; }
}
