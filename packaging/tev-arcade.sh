#!/bin/sh
# Starts Tev Arcade from its installed folder, wherever the prefix is.
here=$(dirname "$(readlink -f "$0")")
exec "$here/../lib/tev-arcade/launcher" "$@"
