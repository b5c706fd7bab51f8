#!/bin/sh
# Starts morvel from this folder, whatever the working directory: the demo
# reads data/ relative to the working directory, and finds its libraries in
# lib/ through its RUNPATH. The demo's exit status is passed on.
here=$(dirname -- "$(readlink -f -- "$0")") || exit 1
cd -- "$here" || { echo "morvel: cannot enter the folder $here" >&2; exit 1; }

# A missing library would otherwise surface as the dynamic loader's one-line
# error about a single file; say instead what is missing and where it belongs.
missing=""
while IFS= read -r library; do
  [ -f "lib/$library" ] || missing="$missing $library"
done <<'BUNDLED'
@BUNDLED@
BUNDLED
if [ -n "$missing" ]; then
  echo "morvel: cannot start: these libraries that come with morvel are missing from $here/lib:" >&2
  echo "morvel:  $missing" >&2
  echo "morvel: unpack the archive again and keep its lib/ folder beside this launcher." >&2
  exit 127
fi
if command -v ldd >/dev/null 2>&1; then
  # "NAME => not found", where NAME may hold spaces.
  absent=$(ldd bin/morvel 2>/dev/null | sed -n 's/^[[:space:]]*\(.*[^[:space:]]\)[[:space:]]*=> not found$/ \1/p' | tr -d '\n')
  if [ -n "$absent" ]; then
    echo "morvel: cannot start: these system libraries are not installed:$absent" >&2
    echo "morvel: README.txt lists the packages that provide them." >&2
    exit 127
  fi
fi
exec ./bin/morvel "$@"
