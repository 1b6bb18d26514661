#!/usr/bin/env bash
# Builds the game and starts it through the launcher the install puts on the PATH
# (scripts/zipkin-in-direv), here with the game and data of the build: it runs in the
# per-user folder that holds the state file (options, badges and scores), so that a clean
# rebuild never loses a player's scores.
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
ZIPKIN_GAME="$game" ZIPKIN_DATA="$root/build/game/data" exec ./scripts/zipkin-in-direv "$@"
