#!/usr/bin/env bash
# Sets up a fresh machine, builds, starts the services the tests need (a
# private MariaDB), runs the whole test suite and stops the services again.
# Extra arguments go to ctest (e.g. -L db, -R login).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${KORAVEL_BUILD_DIR:-$root/build}

bash scripts/install-deps.sh
bash scripts/build.sh

cleanup() {
  bash scripts/db.sh stop || true
}
trap cleanup EXIT
bash scripts/db.sh start --test

ctest --test-dir "$build" --output-on-failure --timeout 900 "$@"
