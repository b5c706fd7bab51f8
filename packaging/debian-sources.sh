# Sourced by the release scripts that compile libraries for another platform
# (scripts/web, scripts/windows): Debian's source packages, unpacked in a
# folder of the caller's, always at the newest version the archive offers.
# A release built from a stale or an older source would carry fixed security
# holes, so a cached source is replaced as soon as a newer one is listed, and
# a source that cannot be fetched stops the build with apt's own words.
# Needs a say function; enable_sources first.

# apt-get source needs deb-src entries. They are made for the Debian archive
# that the machine already uses, in a private apt configuration with its own
# package lists and cache under the folder given: nothing lasting is added to
# /etc/apt or /var/lib/apt, and apt-get source runs without root. The lists
# are read again on every run, so that a newer source is seen at once.
apt_private=()
enable_sources() {
  local dir=$1
  apt_private=(-o "Dir::Etc::SourceList=$dir/sources.list" -o "Dir::Etc::SourceParts=$dir/sources.list.d"
    -o "Dir::State::Lists=$dir/lists" -o "Dir::Cache=$dir/cache" -o "APT::Sandbox::User=$(id -un)")
  mkdir -p "$dir/sources.list.d" "$dir/lists/partial" "$dir/cache/archives/partial"
  : >"$dir/sources.list"
  rm -f "$dir/sources.list.d/"*
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$dir/sources.list.d/debian.sources"
  else
    grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >"$dir/sources.list"
  fi
  say "reading the Debian archive's source lists"
  apt-get "${apt_private[@]}" update -qq || { echo "could not read the Debian archive's source lists" >&2; return 1; }
}

# Every version of a source package that the archive lists, newest first, in
# Debian's own ordering (a security update's +deb12uN sorts above the point
# release's).
source_versions() {
  local package=$1 versions=()
  mapfile -t versions < <(apt-cache "${apt_private[@]}" showsrc "$package" 2>/dev/null |
    awk -v p="$package" '$1 == "Package:" { name = $2 } $1 == "Version:" && name == p { print $2 }' | sort -u)
  sort_versions "${versions[@]}"
}

# Prints the versions given, highest first, compared by dpkg.
sort_versions() {
  local sorted=() version i
  for version in "$@"; do
    i=${#sorted[@]}
    sorted+=("$version")
    while [ "$i" -gt 0 ] && dpkg --compare-versions "${sorted[i]}" gt "${sorted[i - 1]}"; do
      version=${sorted[i - 1]}; sorted[i - 1]=${sorted[i]}; sorted[i]=$version
      i=$((i - 1))
    done
  done
  [ ${#sorted[@]} -eq 0 ] || printf '%s\n' "${sorted[@]}"
}

# apt-get source of one version into the current folder. Where the archive
# lacks only the upstream tarball's detached signature (*.orig.tar.*.asc),
# which nothing below relies on, the package is unpacked without it: apt has
# checked the .dsc against the archive's signed index, and dpkg-source checks
# every tarball against the .dsc.
download_source() {
  local package=$1 version=$2 log=$3 dsc
  apt-get "${apt_private[@]}" source -q "$package=$version" > "$log" 2>&1 && return 0
  grep -q '^E: Failed to fetch .*\.orig[^ ]*\.tar\.[a-z0-9]*\.asc ' "$log" || return 1
  if grep '^E: Failed to fetch [a-z]*://' "$log" | grep -vq '\.orig[^ ]*\.tar\.[a-z0-9]*\.asc '; then
    return 1
  fi
  dsc=$(compgen -G "${package}_*.dsc" | head -n1)
  [ -n "$dsc" ] || return 1
  say "$package $version: the archive lacks the upstream signature file; unpacking with the .dsc's checksums"
  sed -e '/^-----BEGIN PGP SIGNED MESSAGE-----$/,/^$/d' -e '/^-----BEGIN PGP SIGNATURE-----$/,$d' \
    -e '/\.orig[^ ]*\.tar\.[a-z0-9]*\.asc$/d' "$dsc" > unsigned.dsc
  rm -f -- "$dsc"
  mv unsigned.dsc "$dsc"
  dpkg-source --no-check -x "$dsc" >> "$log" 2>&1
}

# Unpacks the newest source of a package under a folder and sets source_dir to
# its tree and source_version to its version; source_changed is yes when it
# was fetched now (none was there, or another version, which is removed). The
# version unpacked last is kept in a stamp file beside the tree, since the
# tree's own name holds only the upstream part of the version.
#
# When the newest version cannot be fetched (the mirror lacks a file), an older
# one is taken only with a warning that names both versions, and the package
# is added to older_sources ("package built newest"), which the caller repeats
# at the end and writes into the release. With MORVEL_REQUIRE_NEWEST=1
# it fails instead.
fetch_source() {
  local package=$1 into=$2 versions=() version stamp log newest
  mapfile -t versions < <(source_versions "$package")
  [ ${#versions[@]} -gt 0 ] || { echo "$package: the archive lists no source package of that name (deb-src entries?)" >&2; return 1; }
  newest=${versions[0]}
  stamp=$into/.$package.source
  source_changed=no
  for version in "${versions[@]}"; do
    if [ -f "$stamp" ] && [ "$(sed -n 1p "$stamp")" = "$version" ] && [ -d "$(sed -n 2p "$stamp")" ]; then
      source_dir=$(sed -n 2p "$stamp")
      break
    fi
    if [ -f "$stamp" ]; then
      say "$package $(sed -n 1p "$stamp") is cached; fetching $version"
    else
      say "fetching the Debian source of $package $version"
    fi
    rm -rf "$into/.fetch-$package"
    mkdir -p "$into/.fetch-$package"
    log=$into/.fetch-$package.log
    if (cd "$into/.fetch-$package" && download_source "$package" "$version" "$log"); then
      source_dir=$(find "$into/.fetch-$package" -mindepth 1 -maxdepth 1 -type d | head -n1)
      [ -n "$source_dir" ] || { cat "$log" >&2; echo "apt-get source $package=$version unpacked nothing" >&2; return 1; }
      [ -f "$stamp" ] && rm -rf -- "$(sed -n 2p "$stamp")"
      rm -rf -- "$into/${source_dir##*/}"
      mv "$source_dir" "$into/"
      source_dir=$into/${source_dir##*/}
      rm -rf "$into/.fetch-$package" "$log"
      printf '%s\n%s\n' "$version" "$source_dir" > "$stamp"
      source_changed=yes
      break
    fi
    grep -E '^(E|W): ' "$log" | grep -v 'unsandboxed' >&2 || cat "$log" >&2
    rm -rf "$into/.fetch-$package" "$log"
    echo "WARNING: could not fetch the source package $package $version (apt's words above)" >&2
    if [ "${MORVEL_REQUIRE_NEWEST:-}" = 1 ]; then
      echo "$package: MORVEL_REQUIRE_NEWEST=1, so no older version is taken" >&2
      return 1
    fi
    version=""
  done
  [ -n "$version" ] || { echo "could not fetch any version of the source package $package" >&2; return 1; }
  source_version=$version
  if [ "$version" != "$newest" ]; then
    echo "WARNING: $package is built from $version, OLDER than the archive's newest $newest," \
      "whose source this mirror does not serve; the release will say so" >&2
    older_sources+=("$package $version $newest")
  fi
}

# Repeats, at the end of a build, each library built from an older source than
# the archive's newest, so that the warning is not lost in the build's output.
warn_older_sources() {
  local line
  for line in "${older_sources[@]}"; do
    set -- $line
    echo "WARNING: $1 was built from $2, older than the archive's newest $3, whose source could not be fetched" >&2
  done
}
