#!/usr/bin/env bash
# scripts/check-layers.sh [ROOT]: fails, naming file and line, when an #include in a product
# folder points upward across the floors
#   runtime < platform < graphics, audio < host < music < game
# graphics and audio share a floor and never include each other. Includes that name no floor
# (the folder's own headers, system headers) are not checked. Prints the upward includes
# counted per folder pair.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"
floors="runtime:0 platform:1 graphics:2 audio:2 host:3 music:4 game:5"

dirs=()
for floor in $floors; do
  [ -d "${floor%%:*}" ] && dirs+=("${floor%%:*}")
done
[ ${#dirs[@]} -eq 0 ] && { echo "layers: no floor folders under $root"; exit 1; }
mapfile -t files < <(find "${dirs[@]}" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.c' \
  -o -name '*.cc' -o -name '*.cpp' -o -name '*.inc' \) | sort)
[ ${#files[@]} -eq 0 ] && { echo "layers: no source files"; exit 0; }

awk -v floors="$floors" '
  BEGIN {
    n = split(floors, list, " ")
    for (i = 1; i <= n; ++i) { split(list[i], f, ":"); rank[f[1]] = f[2] }
  }
  # "a/b/../c.h" -> "a/c.h"
  function normalise(path,    parts, out, n, i, k) {
    n = split(path, parts, "/")
    k = 0
    for (i = 1; i <= n; ++i) {
      if (parts[i] == "." || parts[i] == "") continue
      if (parts[i] == ".." && k > 0) { --k; continue }
      out[++k] = parts[i]
    }
    path = out[1]
    for (i = 2; i <= k; ++i) path = path "/" out[i]
    return path
  }
  /^[ \t]*#[ \t]*include[ \t]*["<]/ {
    target = $0
    sub(/^[ \t]*#[ \t]*include[ \t]*["<]/, "", target)
    sub(/[">].*$/, "", target)
    if (target ~ /^\.\.?\//) {
      dir = FILENAME
      sub(/\/[^\/]*$/, "", dir)
      target = normalise(dir "/" target)
    }
    from = FILENAME; sub(/\/.*$/, "", from)
    to = target; sub(/\/.*$/, "", to)
    if (!(to in rank) || to == from || rank[to] < rank[from]) next
    why = rank[to] == rank[from] ? "graphics and audio never include each other" \
                                 : to " is above " from
    printf "%s:%d: includes \"%s\": %s\n", FILENAME, FNR, target, why
    pairs[from " -> " to]++
    ++bad
  }
  END {
    if (!bad) { print "layers: every include points downward"; exit 0 }
    summary = ""
    for (p in pairs) summary = summary (summary == "" ? "" : ", ") p ": " pairs[p]
    printf "layers: %d upward includes (%s)\n", bad, summary
    exit 1
  }
' "${files[@]}"
