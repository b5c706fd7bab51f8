# Sourced by scripts/windows: the icon and the release .zip, one folder inside:
#   morvel-VERSION-windows-x64/
#     morvel.exe    the demo, every library linked in (static)
#     data/         images, meshes and the soundtrack, made by the asset generator
#     README.txt    what it is, how to start and stop it, what it needs
#     LICENSE.txt   morvel's licence
#     licenses/     the copyright and licence of every library linked in
# Needs: $root, $build, $dist, $library_prefix, library_sources and
# library_versions (libraries.sh), older_sources, say.

version=$(tr -d ' \n' < "$root/VERSION")
zip_name=morvel-$version-windows-x64
# Every time stamp in the release is the last commit's, so packaging the same
# build twice gives the same bytes.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || stat -c %Y "$root/VERSION")}
export SOURCE_DATE_EPOCH

# A number as four little-endian bytes, for binary headers.
le32() {
  printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"
  printf "\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24 & 255)))"
}

# A Windows icon holding the generator's 128 x 128 PNG as it is (Windows
# Vista and later read PNG images inside .ico files at any size).
write_icon() {
  local png=$1 ico=$2 size
  size=$(stat -c %s "$png")
  {
    printf '\x00\x00\x01\x00\x01\x00'
    # width, height, no palette, reserved, 1 plane, 32 bits, size, offset 22
    printf '\x80\x80\x00\x00\x01\x00\x20\x00'
    le32 "$size"
    le32 22
    cat "$png"
  } > "$ico.partial"
  mv "$ico.partial" "$ico"
}

# Text for Notepad and any Windows viewer: CRLF line ends.
crlf() {
  sed 's/\r*$/\r/' "$1" > "$2"
}

# "  package version" for each Debian source compiled into the executable,
# then the toolchain's runtime packages.
linked_package_lines() {
  local entry package
  for entry in "${windows_sources[@]}"; do
    package=${entry%% *}
    echo "    $package ${library_versions[$package]}"
  done
  for package in libz-mingw-w64-dev mingw-w64-x86-64-dev gcc-mingw-w64-x86-64-posix; do
    echo "    $package $(dpkg-query -W -f='${Version}' "$package")"
  done
}

older_source_lines() {
  local line
  [ ${#older_sources[@]} -gt 0 ] || { echo "    none"; return; }
  for line in "${older_sources[@]}"; do
    set -- $line
    echo "    $1 $2 (the archive lists $3, whose source could not be fetched)"
  done
}

write_windows_readme() {
  local out=$1 linked older
  linked=$(linked_package_lines)
  older=$(older_source_lines)
  awk -v version="$version" -v linked="$linked" -v older="$older" '
    { gsub(/@VERSION@/, version) }
    /^@LINKED_PACKAGES@$/ { print linked; next }
    /^@OLDER_SOURCES@$/ { print older; next }
    { print }' "$root/packaging/windows/README.txt" > "$out.unix"
  crlf "$out.unix" "$out"
  rm -f "$out.unix"
}

# licenses/: the copyright file of each source as compiled (its debian/
# folder), and of the toolchain's runtime, zlib and the mingw-w64 headers and
# libraries (winpthreads among them).
copy_licenses() {
  local folder=$1 entry package
  mkdir -p "$folder/licenses"
  for entry in "${windows_sources[@]}"; do
    package=${entry%% *}
    crlf "${library_sources[$package]}/debian/copyright" "$folder/licenses/$package.txt"
  done
  for package in libz-mingw-w64-dev mingw-w64-x86-64-dev gcc-mingw-w64-x86-64-posix; do
    crlf "/usr/share/doc/$package/copyright" "$folder/licenses/$package.txt"
  done
  copy_common_licenses "$folder/licenses"
}

# Debian's copyright files name the long licences (GPL, LGPL, ...) by their
# place on a Debian system, which a Windows machine does not have: those
# texts travel too, under licenses/common-licenses/.
copy_common_licenses() {
  local folder=$1 name
  mkdir -p "$folder/common-licenses"
  for name in $(cat "$folder"/*.txt | grep -o '/usr/share/common-licenses/[A-Za-z0-9.+_-]*[A-Za-z0-9]' | sort -u); do
    [ -f "$name" ] || { echo "windows: the licences name $name, which is not here" >&2; return 1; }
    crlf "$name" "$folder/common-licenses/${name##*/}.txt"
  done
}

stage_windows_folder() {
  local folder=$1
  mkdir -p "$folder"
  $mingw_triple-strip --strip-all -o "$folder/morvel.exe" "$build/out/morvel.exe"
  cp -r "$build/content/data" "$folder/data"
  write_windows_readme "$folder/README.txt"
  crlf "$root/LICENSE" "$folder/LICENSE.txt"
  copy_licenses "$folder"
}

# Sorted entries, one time stamp, fixed permissions and no extra fields, so
# that the same build always packs to the same bytes.
pack_zip() {
  local stage=$1 out=$2
  find "$stage" -type d -exec chmod 0755 {} +
  find "$stage" -type f -exec chmod 0644 {} +
  find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  rm -f "$out.partial"
  (cd "$stage" && find "$zip_name" -print | LC_ALL=C sort | TZ=UTC zip -X -9 -q "$out.partial" -@)
  chmod 0644 "$out.partial"
  mv "$out.partial" "$out"
}

make_windows_zip() {
  local stage=$build/zip
  rm -rf "$stage"
  mkdir -p "$stage" "$dist"
  stage_windows_folder "$stage/$zip_name"
  pack_zip "$stage" "$dist/$zip_name.zip"
}

# Packs the same build again and compares the bytes.
check_zip_reproducible() {
  local first=$build/zip-first.zip
  cp "$dist/$zip_name.zip" "$first"
  make_windows_zip
  cmp -s "$first" "$dist/$zip_name.zip" || { echo "windows: $zip_name.zip differs when packed twice" >&2; return 1; }
  rm -f "$first"
  say "packed twice, byte-identical: $zip_name.zip"
}
