#!/usr/bin/env bash
# Configures and builds the project into $KORAVEL_BUILD_DIR (default build/),
# with the database address the local server listens on.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORAVEL_BUILD_DIR:-$root/build}
host=${KORAVEL_DB_HOST:-127.0.0.1}
# ccache, when installed, keeps compiled files between builds and between
# clones (paths are taken relative to the source folder).
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${KORAVEL_BUILD_TYPE:-Release}" \
  -DKORAVEL_DB_HOST="$host" "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
