#!/bin/sh
# The release scripts' Debian sources (packaging/debian-sources.sh) against a
# stand-in archive (apt-cache, apt-get and dpkg-source on the PATH): the newest
# version is fetched, a cached one is kept only while it is the newest, an
# older one is taken only with a warning that names both versions (and not at
# all with MORVEL_REQUIRE_NEWEST=1), and a missing upstream signature alone
# does not stop the unpacking.
# usage: debian_sources.sh SOURCE_DIR WORK_DIR
set -eu
source_dir=$1
work_dir=$2
rm -rf "$work_dir"
mkdir -p "$work_dir/bin" "$work_dir/src"
cd "$work_dir"

# The archive lists the versions in $work_dir/listed; versions in
# $work_dir/unfetchable fail to download, those in $work_dir/unsigned lack
# only the upstream signature.
cat > bin/apt-cache <<STUB
#!/bin/sh
[ "\$1" = showsrc ] || exit 1
while read -r version; do printf 'Package: %s\nVersion: %s\n\n' "\$2" "\$version"; done < "$work_dir/listed"
STUB
cat > bin/apt-get <<STUB
#!/bin/sh
[ "\$1" = source ] || exit 1
package=\${3%%=*} version=\${3#*=}
if grep -qxF "\$version" "$work_dir/unfetchable"; then
  echo "E: Failed to fetch http://archive/\${package}_\$version.dsc  404  Not Found"
  echo "E: Failed to fetch some archives."
  exit 100
fi
if grep -qxF "\$version" "$work_dir/unsigned"; then
  echo "\$version" > "\${package}_\$version.dsc"
  echo "E: Failed to fetch http://archive/\${package}_1.0.orig.tar.gz.asc  404  Not Found"
  echo "E: Failed to fetch some archives."
  exit 100
fi
mkdir -p "\$package-1.0" && echo "\$version" > "\$package-1.0/version"
STUB
cat > bin/dpkg-source <<STUB
#!/bin/sh
dsc=\$3
mkdir -p demo-1.0 && grep -v '^\$' "\$dsc" > demo-1.0/version
STUB
chmod +x bin/*
: > unfetchable
: > unsigned

cat > fetch.sh <<SCRIPT
#!/usr/bin/env bash
set -euo pipefail
export PATH="$work_dir/bin:\$PATH"
say() { echo "say: \$*"; }
sudo=""
older_sources=()
source "$source_dir/packaging/debian-sources.sh"
fetch_source demo "$work_dir/src"
echo "version=\$source_version changed=\$source_changed tree=\$(cat "\$source_dir/version") older=\${older_sources[*]:-}"
SCRIPT

failures=0
expect() {
  what=$1 pattern=$2
  out=$(bash fetch.sh 2>&1) || out="$out (failed)"
  if ! printf '%s\n' "$out" | grep -qF -- "$pattern"; then
    echo "debian sources: $what: no '$pattern' in: $out"
    failures=$((failures + 1))
  fi
}

printf '%s\n' 1.0-1 1.0-1+deb12u2 1.0-1+deb12u10 > listed
expect "the newest is fetched" "version=1.0-1+deb12u10 changed=yes tree=1.0-1+deb12u10 older="
expect "a cached newest is kept" "version=1.0-1+deb12u10 changed=no"
echo 1.0-1+deb12u11 >> listed
expect "a newer listing replaces the cache" "version=1.0-1+deb12u11 changed=yes tree=1.0-1+deb12u11"
[ "$(ls src)" = demo-1.0 ] || { echo "debian sources: an old tree was left: $(ls src)"; failures=$((failures + 1)); }
echo 1.0-1+deb12u12 >> listed
echo 1.0-1+deb12u12 > unfetchable
expect "an unfetchable newest keeps the cached older one" "older=demo 1.0-1+deb12u11 1.0-1+deb12u12"
expect "the older one is named with both versions" "WARNING: demo is built from 1.0-1+deb12u11, OLDER than the archive's newest 1.0-1+deb12u12"
out=$(MORVEL_REQUIRE_NEWEST=1 bash fetch.sh 2>&1) && { echo "debian sources: MORVEL_REQUIRE_NEWEST=1 took an older version: $out"; failures=$((failures + 1)); }
: > unfetchable
echo 1.0-1+deb12u12 > unsigned
expect "a missing upstream signature alone is no failure" "version=1.0-1+deb12u12 changed=yes tree=1.0-1+deb12u12 older="

[ "$failures" -eq 0 ] || exit 1
cd / && rm -rf "$work_dir"
echo "debian sources: newest fetched, stale caches replaced, older versions only with a warning"
