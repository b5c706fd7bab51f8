# Sourced by scripts/package: the Debian package, built with dpkg-deb from a
# staged tree (no source package needed).

deb_maintainer="morvel developers <maintainers@users.noreply.c-seed-74c768b5.example>"
# What the demo needs to draw: the GL and EGL dispatch libraries load a Mesa
# driver, and without one the window cannot be made. The binary's own links
# (libOpenGL among them) are computed by dpkg-shlibdeps.
deb_drawing_depends="libegl1, libgl1, libgl1-mesa-dri"

# The binary's Depends as dpkg-shlibdeps computes it from the libraries it
# links, found through the package database.
computed_depends() {
  local binary=$1 scratch=$work/shlibdeps
  mkdir -p "$scratch/debian"
  printf 'Source: morvel\n\nPackage: morvel\nArchitecture: amd64\n' > "$scratch/debian/control"
  cp "$binary" "$scratch/morvel"
  (cd "$scratch" && dpkg-shlibdeps -O -e morvel 2>/dev/null) | sed -n 's/^shlibs:Depends=//p'
}

debian_changelog() {
  local date
  date=$(date -u -R -d "@$SOURCE_DATE_EPOCH")
  printf 'morvel (%s) bookworm; urgency=medium\n\n  * Release %s.\n\n -- %s  %s\n' \
    "$version" "$version" "$deb_maintainer" "$date"
}

stage_debian_files() {
  local tree=$1
  install -D -m 0755 "$work/morvel" "$tree/usr/lib/games/morvel/morvel"
  install -D -m 0755 packaging/launcher-debian.sh "$tree/usr/games/morvel"
  mkdir -p "$tree/usr/share/games/morvel"
  cp -r "$work/content/data" "$tree/usr/share/games/morvel/data"
  install -D -m 0644 packaging/morvel.desktop "$tree/usr/share/applications/morvel.desktop"
  install -D -m 0644 "$work/content/morvel.png" "$tree/usr/share/icons/hicolor/128x128/apps/morvel.png"
  install -D -m 0644 packaging/copyright "$tree/usr/share/doc/morvel/copyright"
  mkdir -p "$tree/usr/share/man/man6"
  sed -e "s/@VERSION@/$version/" -e "s/@DATE@/$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y-%m-%d)/" \
    packaging/morvel.6 | gzip -9n > "$tree/usr/share/man/man6/morvel.6.gz"
  debian_changelog | gzip -9n > "$tree/usr/share/doc/morvel/changelog.gz"
}

write_control() {
  local tree=$1 depends size
  depends=$(computed_depends "$tree/usr/lib/games/morvel/morvel")
  [ -n "$depends" ] || { echo "package: dpkg-shlibdeps gave no dependencies" >&2; return 1; }
  size=$(du -s -k --apparent-size --exclude=DEBIAN "$tree" | cut -f1)
  mkdir -p "$tree/DEBIAN"
  cat > "$tree/DEBIAN/control" <<CONTROL
Package: morvel
Version: $version
Architecture: amd64
Maintainer: $deb_maintainer
Installed-Size: $size
Depends: $depends, $deb_drawing_depends
Section: games
Priority: optional
Description: self-running real-time audiovisual demo
 morvel opens an 800x600 OpenGL window and plays a 60-second timeline of
 three scenes that react to the spectrum of its soundtrack: a rippling,
 environment-mapped sphere, a photograph whose glow pulses with the bass,
 and a textured turtle shell with greetings. It ends by itself, or at once
 on Escape.
 .
 Every image, mesh and the music are generated in code.
CONTROL
  (cd "$tree" && find usr -type f | LC_ALL=C sort | xargs md5sum) > "$tree/DEBIAN/md5sums"
}

# Lintian's errors fail the release; its warnings are printed for review.
run_lintian() {
  local report status=0
  report=$(lintian --tag-display-limit 0 "$dist/$deb_name" 2>&1) || status=$?
  report=$(grep -v 'running with root privileges' <<<"$report" || true)
  [ -n "$report" ] && echo "$report"
  if grep -q '^E:' <<<"$report"; then
    echo "package: lintian reports errors in $deb_name" >&2
    return 1
  fi
  [ "$status" -le 1 ] || { echo "package: lintian failed ($status)" >&2; return 1; }
}

make_debian_package() {
  local tree=$work/deb/morvel
  rm -rf "$work/deb"
  stage_debian_files "$tree"
  write_control "$tree"
  normalise_tree "$tree"
  chmod 0644 "$tree/DEBIAN/control" "$tree/DEBIAN/md5sums"
  dpkg-deb --root-owner-group -Zxz --build "$tree" "$dist/$deb_name" >/dev/null
  [ "${lintian_wanted:-yes}" = no ] || run_lintian
}
