#!/bin/sh
# The portable archive's launcher names what keeps the demo from starting,
# even where a library's name holds a space: first a library missing from its
# own lib/ folder, then one the system lacks (as ldd reports it).
# usage: launcher_missing_libraries.sh SOURCE_DIR WORK_DIR
set -eu
source_dir=$1
work_dir=$2
rm -rf "$work_dir"
mkdir -p "$work_dir/release/bin" "$work_dir/release/lib" "$work_dir/system"
cd "$work_dir"

# A program that needs a "system" library whose name holds a space.
echo 'int systemPart(void) { return 0; }' > part.c
echo 'int systemPart(void); int main(void) { return systemPart(); }' > main.c
cc -shared -fPIC -o "system/libsys tem.so.1" -Wl,-soname,"libsys tem.so.1" part.c
cc -o release/bin/morvel main.c "system/libsys tem.so.1"
bash -c 'source "$1/packaging/portable.sh" && write_launcher release/morvel "libbun dled.so.2" libplain.so.0' \
  sh "$source_dir"

failures=0
expect() {
  what=$1 pattern=$2
  status=0
  out=$(sh release/morvel 2>&1) || status=$?
  if [ "$status" -ne 127 ] || ! printf '%s\n' "$out" | grep -qF -- "$pattern"; then
    echo "launcher: $what: status $status, not 127 naming '$pattern': $out"
    failures=$((failures + 1))
  fi
}

touch release/lib/libplain.so.0
expect "a bundled library missing" "missing from $work_dir/release/lib:"
expect "a bundled library missing" " libbun dled.so.2"
touch "release/lib/libbun dled.so.2"
rm "system/libsys tem.so.1"
expect "a system library missing" "not installed: libsys tem.so.1"

[ "$failures" -eq 0 ] || exit 1
cd / && rm -rf "$work_dir"
echo "launcher: names missing libraries, spaces and all"
