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

# A release should not ship a library older than the Debian archive's newest
# (security updates land there first). The bundled libraries' packages are
# brought up to the archive's versions here before they are copied; one that
# cannot be (the mirror lacks it) is named loudly with both versions, and in
# README.txt, and MORVEL_REQUIRE_NEWEST=1 makes that a failure.
upgrade_bundled_packages() {
  local soname packages=()
  for soname in "${!bundled_libraries[@]}"; do packages+=("$(package_of "$soname")"); done
  mapfile -t packages < <(printf '%s\n' "${packages[@]}" | sort -u)
  if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install --only-upgrade -y -qq \
      "${packages[@]}" > "$work/upgrade.log" 2>&1; then
    grep -E '^(E|W):' "$work/upgrade.log" >&2 || tail -n 5 "$work/upgrade.log" >&2
    echo "package: WARNING: the bundled libraries could not all be brought up to the archive's versions" >&2
  fi
}

# "package installed newest" for each bundled library's package that is older
# than the newest version the archive offers.
outdated_bundles() {
  local soname packages=()
  for soname in "${!bundled_libraries[@]}"; do packages+=("$(package_of "$soname")"); done
  apt-cache policy "${packages[@]}" 2>/dev/null | awk '
    /^[^ ]/ { package = $1; sub(/:$/, "", package) }
    $1 == "Installed:" { installed = $2 }
    $1 == "Candidate:" && $2 != "(none)" && $2 != installed { print package, installed, $2 }' |
    sort -u | while read -r package installed candidate; do
      dpkg --compare-versions "$installed" lt "$candidate" && echo "$package $installed $candidate"
    done
  return 0
}

check_outdated_bundles() {
  local package installed candidate found=no
  while read -r package installed candidate; do
    echo "package: WARNING: lib/ gets $package $installed, older than the Debian archive's $candidate" >&2
    found=yes
  done < <(outdated_bundles)
  if [ "$found" = yes ] && [ "${MORVEL_REQUIRE_NEWEST:-}" = 1 ]; then
    echo "package: MORVEL_REQUIRE_NEWEST=1, so no release is made with an outdated library" >&2
    return 1
  fi
}

# README.txt's line on libraries behind the archive's newest.
outdated_bundle_lines() {
  local lines
  lines=$(outdated_bundles | awk '{ print "    " $1 " " $2 " (the Debian archive has " $3 ")" }')
  echo "${lines:-    none}"
}

write_readme() {
  local out=$1 lines packages bundled outdated
  lines=$(system_library_lines)
  packages=$(viewer_packages | tr '\n' ' ')
  bundled=$(bundled_package_lines)
  outdated=$(outdated_bundle_lines)
  awk -v version="$version" -v lines="$lines" -v packages="${packages% }" -v bundled="$bundled" \
    -v outdated="$outdated" '
    { gsub(/@VERSION@/, version); gsub(/@SYSTEM_PACKAGES@/, packages) }
    /^@SYSTEM_LIBRARIES@$/ { print lines; next }
    /^@BUNDLED_PACKAGES@$/ { print bundled; next }
    /^@OUTDATED_PACKAGES@$/ { print outdated; next }
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

# The launcher, told the sonames that lib/ must hold: one a line, since a
# name may hold a space.
write_launcher() {
  local out=$1 bundled
  shift
  bundled=$(printf '%s\n' "$@" | sort)
  awk -v bundled="$bundled" '/^@BUNDLED@$/ { print bundled; next } { print }' \
    "$(dirname "${BASH_SOURCE[0]}")/launcher-portable.sh" > "$out"
  chmod 0755 "$out"
}

make_portable_archive() {
  local stage=$work/portable folder=$work/portable/$archive_name
  rm -rf "$stage"
  mkdir -p "$folder/bin"
  cp -r "$work/content/data" "$folder/data"
  install -m 0755 "$work/morvel" "$folder/bin/morvel"
  patchelf --set-rpath '$ORIGIN/../lib' "$folder/bin/morvel"
  bundle_libraries "$folder"
  write_launcher "$folder/morvel" "${!bundled_libraries[@]}"
  write_readme "$folder/README.txt"
  cp LICENSE "$folder/LICENSE.txt"
  normalise_tree "$stage"
  tar --sort=name --format=gnu --owner=0 --group=0 --numeric-owner \
    --mtime="@$SOURCE_DATE_EPOCH" -C "$stage" -cf - "$archive_name" \
    | gzip -9n > "$dist/$archive_name.tar.gz"
}
