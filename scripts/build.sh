#!/usr/bin/env bash
# Configures and builds the project with a CMake preset (KORAVEL_PRESET,
# default "default"; CMakePresets.json) into $KORAVEL_BUILD_DIR (default the
# preset's folder), with the database address the local server listens on
# when KORAVEL_DB_HOST names one. Extra arguments go to the configure step.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${KORAVEL_PRESET:-default}
args=(-S "$root" --preset "$preset")
[ -z "${KORAVEL_BUILD_DIR:-}" ] || args+=(-B "$KORAVEL_BUILD_DIR")
[ -z "${KORAVEL_DB_HOST:-}" ] || args+=(-DKORAVEL_DB_HOST="$KORAVEL_DB_HOST")
[ -z "${KORAVEL_BUILD_TYPE:-}" ] || args+=(-DCMAKE_BUILD_TYPE="$KORAVEL_BUILD_TYPE")
# ccache keeps compiled files between builds and between clones (paths are
# taken relative to the source folder, as the preset says).
export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
cmake "${args[@]}" "$@" >/dev/null
build=${KORAVEL_BUILD_DIR:-$root/build}
[ "$preset" != asan ] || build=${KORAVEL_BUILD_DIR:-$root/build-asan}
cmake --build "$build" -j"$(nproc)"
