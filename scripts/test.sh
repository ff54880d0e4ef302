#!/usr/bin/env bash
# Sets up a fresh machine, builds, starts the services the tests need (a
# private MariaDB and a private CUPS print queue), runs the whole test suite
# and stops the services again.
# Extra arguments go to ctest (e.g. -L db, -R login).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${KORAVEL_BUILD_DIR:-$root/build}

bash scripts/install-deps.sh
bash scripts/build.sh

cleanup() {
  bash scripts/db.sh stop || true
  bash scripts/cups.sh stop || true
}
trap cleanup EXIT
bash scripts/db.sh start --test
# The print tests read back what reaches the rig's own default printer.
bash scripts/cups.sh start

status=0
ctest --test-dir "$build" --output-on-failure --timeout 900 -LE bench "$@" || status=$?
# The benchmark starts its own server on the same address, so its small run
# comes after the test server has stopped.
cleanup
ctest --test-dir "$build" --output-on-failure --timeout 900 -L bench "$@" || status=$?
exit $status
