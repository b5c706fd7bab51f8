# Sourced by scripts/package: the portable archive.

# One "  soname (package)" line per system library README.txt asks for.
system_library_lines() {
  local soname
  for soname in $(printf '%s\n' "${!system_libraries[@]}" | sort); do
    [[ $soname =~ $base_library_pattern || $soname =~ $gl_library_pattern ]] && continue
    echo "          $soname ($(package_of "$soname"))"
  done
}

# The Debian packages of the system libraries, minus those every Debian
# system has; these are what a viewer's machine provides.
viewer_packages() {
  local soname
  for soname in "${!system_libraries[@]}"; do
    [[ $soname =~ $base_library_pattern ]] && continue
    package_of "$soname"
  done | sort -u
}

# "  package version" for each bundled library's package.
bundled_package_lines() {
  local soname
  for soname in "${!bundled_libraries[@]}"; do
    package_of "$soname"
  done | sort -u | while read -r package; do
    echo "    $package $(dpkg-query -W -f='${Version}' "$package")"
  done
}

# A release should not ship a library older than the archive's (security
# updates land there first); say so, since only the build machine can mend it.
warn_outdated_bundles() {
  local soname packages=()
  for soname in "${!bundled_libraries[@]}"; do packages+=("$(package_of "$soname")"); done
  apt-cache policy "${packages[@]}" 2>/dev/null | awk '
    /^[^ ]/ { package = $1; sub(/:$/, "", package) }
    $1 == "Installed:" { installed = $2 }
    $1 == "Candidate:" && $2 != "(none)" && $2 != installed { print package, installed, $2 }' \
    | while read -r package installed candidate; do
      dpkg --compare-versions "$installed" lt "$candidate" || continue
      echo "package: warning: lib/ gets $package $installed, but the Debian archive has $candidate;" \
        "run apt-get upgrade here before making a release" >&2
    done
}

write_readme() {
  local out=$1 lines packages bundled
  lines=$(system_library_lines)
  packages=$(viewer_packages | tr '\n' ' ')
  bundled=$(bundled_package_lines)
  awk -v version="$version" -v lines="$lines" -v packages="${packages% }" -v bundled="$bundled" '
    { gsub(/@VERSION@/, version); gsub(/@SYSTEM_PACKAGES@/, packages) }
    /^@SYSTEM_LIBRARIES@$/ { print lines; next }
    /^@BUNDLED_PACKAGES@$/ { print bundled; next }
    { print }' packaging/README.txt > "$out"
}

# lib/: each bundled library under its soname, with a RUNPATH of its own
# folder, since the binary's RUNPATH does not reach the libraries' own needs.
bundle_libraries() {
  local folder=$1 soname package
  mkdir -p "$folder/lib" "$folder/licenses"
  for soname in "${!bundled_libraries[@]}"; do
    cp -L "${bundled_libraries[$soname]}" "$folder/lib/$soname"
    chmod 0644 "$folder/lib/$soname"
    patchelf --set-rpath '$ORIGIN' "$folder/lib/$soname"
    package=$(package_of "$soname")
    cp "/usr/share/doc/$package/copyright" "$folder/licenses/$package.txt"
  done
}

make_portable_archive() {
  local stage=$work/portable folder=$work/portable/$archive_name bundled
  rm -rf "$stage"
  mkdir -p "$folder/bin"
  cp -r "$work/content/data" "$folder/data"
  install -m 0755 "$work/morvel" "$folder/bin/morvel"
  patchelf --set-rpath '$ORIGIN/../lib' "$folder/bin/morvel"
  bundle_libraries "$folder"
  warn_outdated_bundles
  bundled=$(printf '%s\n' "${!bundled_libraries[@]}" | sort | tr '\n' ' ')
  sed "s|@BUNDLED@|${bundled% }|" packaging/launcher-portable.sh > "$folder/morvel"
  chmod 0755 "$folder/morvel"
  write_readme "$folder/README.txt"
  normalise_tree "$stage"
  tar --sort=name --format=gnu --owner=0 --group=0 --numeric-owner \
    --mtime="@$SOURCE_DATE_EPOCH" -C "$stage" -cf - "$archive_name" \
    | gzip -9n > "$dist/$archive_name.tar.gz"
}
