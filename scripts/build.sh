#!/usr/bin/env bash
# Configures and builds the project into $KORAVEL_BUILD_DIR (default build/),
# with the database address the local server listens on.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORAVEL_BUILD_DIR:-$root/build}
host=${KORAVEL_DB_HOST:-127.0.0.1}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${KORAVEL_BUILD_TYPE:-RelWithDebInfo}" \
  -DKORAVEL_DB_HOST="$host" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
