# The layer check on a scratch tree: downward, own-folder and system includes pass; an upward
# include, one between graphics and audio and one spelled through ../ fail, named by file and line.
check=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/runtime" "$tree/graphics" "$tree/audio" "$tree/host"
printf '#include <sys/stat.h>\n' > "$tree/runtime/r.cpp"
printf '#include "graphics/gl.h"\n#include <runtime/string.h>\n' > "$tree/graphics/a.cpp"
printf '#include "graphics/renderer.h"\n#include "surface.h"\n' > "$tree/host/b.cpp"
"$check" "$tree" > /dev/null || echo "FAIL: a tree that only includes downward is refused"
printf '// the renderer\n#include <host/app.h>\n' > "$tree/graphics/c.cpp"
printf '#include "../graphics/renderer.h"\n' > "$tree/audio/d.h"
out=$("$check" "$tree") && echo "FAIL: upward includes pass"
[ "$(printf '%s\n' "$out" | grep -c ': includes ')" = 2 ] || echo "FAIL: not two findings: $out"
for want in 'graphics/c.cpp:2: includes "host/app.h"' 'audio/d.h:1: includes "graphics/renderer.h"'; do
  case $out in *"$want"*) ;; *) echo "FAIL: '$want' not in: $out" ;; esac
done
