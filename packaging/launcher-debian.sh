#!/bin/sh
# Starts morvel from its content folder: the demo reads data/ relative to the
# working directory. The demo's exit status is passed on.
cd /usr/share/games/morvel || exit 1
exec /usr/lib/games/morvel/morvel "$@"
