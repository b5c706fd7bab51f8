# Sourced by scripts/package: decides which shared libraries travel with the
# portable archive and which the viewer's system must provide.

# The user's own libraries, never bundled. The C library and C++ runtime (and
# zlib, present on every system) must match the system's GL driver, which is
# loaded into the same process and shares them by name. The GL/EGL dispatch
# libraries select the user's driver. SDL reaches the display and sound
# servers through the X11, Wayland, PulseAudio and ALSA client libraries,
# which read the system's configuration (ALSA's under /usr/share/alsa, the
# XKB maps, libdecor's plugins) and are shared with the GL driver as well.
system_library_pattern='^(ld-linux-x86-64\.so\.2|libc\.so\.6|libm\.so\.6|libdl\.so\.2|libpthread\.so\.0'
system_library_pattern+='|librt\.so\.1|libresolv\.so\.2|libstdc\+\+\.so\.6|libgcc_s\.so\.1|libz\.so\.1'
system_library_pattern+='|libOpenGL\.so\.0|libGL\.so\.1|libGLX\.so\.0|libEGL\.so\.1|libGLdispatch\.so\.0'
system_library_pattern+='|libX11(-xcb)?\.so\.6|libX11-xcb\.so\.1|libX[a-z]+\.so\.[0-9]+|libxcb[a-z-]*\.so\.[0-9]+'
system_library_pattern+='|libwayland-[a-z]+\.so\.[0-9]+|libxkbcommon\.so\.0|libdecor-0\.so\.0|libdrm\.so\.2'
system_library_pattern+='|libgbm\.so\.1|libpulse(-simple)?\.so\.0|libasound\.so\.2)$'

# The C library and C++ runtime are on every Debian system (apt needs them);
# README.txt does not list them.
base_library_pattern='^(ld-linux-x86-64\.so\.2|libc\.so\.6|libm\.so\.6|libdl\.so\.2|libpthread\.so\.0'
base_library_pattern+='|librt\.so\.1|libresolv\.so\.2|libstdc\+\+\.so\.6|libgcc_s\.so\.1|libz\.so\.1)$'

# The GL/EGL dispatch libraries, which README.txt names with the GL driver.
gl_library_pattern='^lib(OpenGL\.so\.0|GL\.so\.1|GLX\.so\.0|EGL\.so\.1|GLdispatch\.so\.0)$'

# Fills bundled_libraries (soname -> path on this machine) and
# system_libraries (soname -> path) by walking DT_NEEDED from the binary,
# stopping at the user's libraries. Paths come from ldd, which resolves the
# whole tree the way the loader does here.
find_libraries() {
  local binary=$1
  declare -gA bundled_libraries=() system_libraries=() resolved_libraries=()
  local name arrow path rest
  while read -r name arrow path rest; do
    if [ "$arrow" = "=>" ] && [ "${path:0:1}" = / ]; then
      resolved_libraries[$name]=$path
    elif [ "$arrow" = "=>" ]; then
      echo "package: $binary needs $name, which is not installed here" >&2
      return 1
    fi
  done < <(ldd "$binary")
  walk_needed "$binary" || return 1
  find_library_packages
}

walk_needed() {
  local file=$1 soname path
  for soname in $(readelf -d "$file" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    path=${resolved_libraries[$soname]:-}
    if [[ $soname =~ $system_library_pattern ]]; then
      system_libraries[$soname]=$path
    elif [ -z "${bundled_libraries[$soname]:-}" ]; then
      [ -n "$path" ] || { echo "package: cannot resolve $soname (needed by $file)" >&2; return 1; }
      bundled_libraries[$soname]=$path
      walk_needed "$path" || return 1
    fi
  done
}

# Fills library_packages (soname -> Debian package) for every library found,
# with one dpkg -S call (with usrmerge a library may be registered under /lib
# or /usr/lib, so both are asked).
find_library_packages() {
  declare -gA library_packages=()
  local soname path paths=() package file
  for soname in "${!bundled_libraries[@]}" "${!system_libraries[@]}"; do
    path=${bundled_libraries[$soname]:-${system_libraries[$soname]}}
    [ -n "$path" ] || continue
    paths+=("$path")
    case $path in
      /usr/lib/*) paths+=("${path#/usr}") ;;
      /lib/*) paths+=("/usr$path") ;;
    esac
  done
  while IFS= read -r line; do
    package=${line%%: *}
    file=${line#*: }
    library_packages[${file##*/}]=${package%%:*}
  done < <(dpkg -S "${paths[@]}" 2>/dev/null || true)
}

# The Debian package of a library found by find_libraries.
package_of() {
  local soname=$1
  [ -n "${library_packages[$soname]:-}" ] || { echo "package: no Debian package holds $soname" >&2; return 1; }
  echo "${library_packages[$soname]}"
}
