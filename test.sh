#!/usr/bin/env bash
# Checks that every #include points down the floors, then builds everything and runs every
# test: the normal build (unit, harness and end-to-end tests), then the unit and harness tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer, then the game built with the
# procedural music player (its harness tests and its music heard end to end). Ends non-zero on
# any failure.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
status=0

echo "== layers"
./scripts/check-layers.sh || status=1
echo "== build"
./scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== tests"
# The million-update soak (label soak) is run on its own: see the README.
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 600 -LE soak || status=1

echo "== sanitizer build"
./scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DZIPKIN_SANITIZE=ON -DZIPKIN_BENCH=OFF
echo "== sanitizer tests"
# The generator's byte-for-byte determinism is checked in the normal build; running the whole
# generator again instrumented would take minutes.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 900 -L 'unit|harness' \
    -E '^Generator\.' || status=1

echo "== procedural music build"
# Only the game differs from the normal build, so only the game, its data and the harness
# tests are built.
./scripts/build.sh build-music -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZIPKIN_PROCEDURAL_MUSIC=ON \
  -DZIPKIN_BENCH=OFF -- --target game_frame_test zipkin zipkin_data
echo "== procedural music tests"
ctest --test-dir build-music --output-on-failure -j "$jobs" --timeout 600 -L harness || status=1
ctest --test-dir build-music --output-on-failure --timeout 600 -R game_e2e_music || status=1

if [ $status -ne 0 ]; then echo "== FAILED"; else echo "== all tests passed"; fi
exit $status
