#!/usr/bin/env bash
# Builds the game and starts it. The game runs in a per-user folder that holds
# its state file (options, badges and scores), with the data folder linked to
# the build, so that a clean rebuild never loses a player's scores.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
cd "$root"
./scripts/install-deps.sh
./scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -- --target play
game="$root/build/game/zipkin"
if [ ! -x "$game" ]; then
  echo "There is nothing to play yet: the game itself has not been built into this tree."
  exit 0
fi
home="${XDG_DATA_HOME:-$HOME/.local/share}/zipkin-in-direv"
mkdir -p "$home"
ln -sfn "$root/build/game/data" "$home/data"
cd "$home"
exec "$game" "$@"
