#!/usr/bin/env bash
# Regenerates the pictures of docs/images/ from the real program: installs
# the packages, builds, starts a fresh database with the demo data and a
# private print queue (both in a temporary directory, so the pictures are the
# same from one run to the next and the data kept in .rig/ is not touched),
# runs tools/screenshots under Xvfb (the xcb platform, a real X server), and
# stops both again.
#
#   bash scripts/screenshots.sh
#
# The program reaches its database at the compiled-in address, so the fresh
# server listens on that address, port 3306: nothing else may listen there
# (stop scripts/run.sh or scripts/db.sh first).
#
# KORAVEL_DB_HOST    compiled-in database address (default 127.0.0.1)
# KORAVEL_BUILD_DIR  build directory (default build/)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
host=${KORAVEL_DB_HOST:-127.0.0.1}
build=${KORAVEL_BUILD_DIR:-$root/build}
export KORAVEL_DB_HOST=$host KORAVEL_BUILD_DIR=$build

bash scripts/install-deps.sh
bash scripts/build.sh

# shellcheck source=lib/rig.sh
. scripts/lib/rig.sh
if rig_busy "$host" 3306; then
  echo "screenshots.sh: $host:3306 is taken; the pictures need a fresh database there." >&2
  echo "Stop the server listening on it (e.g. KORAVEL_DB_HOST=$host bash scripts/db.sh stop)." >&2
  exit 1
fi

work=$(mktemp -d)
export KORAVEL_DB_DIR=$work/mariadb KORAVEL_CUPS_DIR=$work/cups
cleanup() {
  local status=$?
  rig_services stop "$host" || true
  if [ "$status" -eq 0 ]; then
    rm -rf "$work"
  else
    echo "screenshots.sh: failed; the servers' logs are kept in $work" >&2
  fi
}
trap cleanup EXIT

bash scripts/db.sh start || { echo "screenshots.sh: the database did not start" >&2; exit 1; }
bash scripts/cups.sh start || { echo "screenshots.sh: the print queue did not start" >&2; exit 1; }
CUPS_SERVER=$(bash scripts/cups.sh socket)
# A koravel3.ini that names the fresh database, whatever the machine's or
# the user's own file says.
XDG_CONFIG_HOME=$(bash scripts/db.sh config)
export CUPS_SERVER XDG_CONFIG_HOME

mkdir -p "$work/run" docs/images
# Its own data folder (certificate pictures). French locale for the dates and
# month names, as at an agency's counter.
export XDG_DATA_HOME=$work/data
(cd "$work/run" &&
  LANG=fr_FR.UTF-8 LC_ALL='' QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1600x1000x24" \
    "$build/tools/screenshots/koravel3-screenshots" "$root/docs/images" "$KORAVEL_CUPS_DIR/spool")
# Then on the screen of a counter's laptop, 1366 x 768.
(cd "$work/run" &&
  LANG=fr_FR.UTF-8 LC_ALL='' QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1366x768x24" \
    "$build/tools/screenshots/koravel3-screenshots" "$root/docs/images" "$KORAVEL_CUPS_DIR/spool" \
    --laptop)
