#!/usr/bin/env bash
# scripts/build.sh DIR [cmake options...] [-- build options...]: configures and builds the tree into DIR.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1; shift
conf=(); build=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then shift; build=("$@"); break; fi
  conf+=("$1"); shift
done
jobs=$(nproc 2>/dev/null || echo 2)
mkdir -p "$root/$dir"
cmake -S "$root" -B "$root/$dir" "${conf[@]}" > "$root/$dir/configure.log" 2>&1 || { cat "$root/$dir/configure.log"; exit 1; }
cmake --build "$root/$dir" -j "$jobs" "${build[@]}"
