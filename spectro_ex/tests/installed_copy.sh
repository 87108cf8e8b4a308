#!/usr/bin/env bash
# Installs the build into a fresh prefix, builds the linked client against
# that copy in a folder outside the build tree and runs it there with no
# library path set: the extended library must find its core beside itself.
# Usage: installed_copy.sh <cmake> <build dir> <include dir> <lib dir> <C compiler>
#                          <client source> [compiler flags...]
set -euo pipefail
cmake="$1" build="$2" includedir="$3" libdir="$4" cc="$5" source="$6"
shift 6
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
cp "$source" "$work/client.c"
cd "$work"
"$cc" "$@" client.c -o client -I"$prefix/$includedir" -L"$prefix/$libdir" -lzolt_spectro_ex \
  -Wl,-rpath,"$prefix/$libdir"
env -u LD_LIBRARY_PATH ./client
