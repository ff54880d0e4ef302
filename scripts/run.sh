#!/usr/bin/env bash
# Sets up a fresh machine, builds the program, starts the local database
# (created with demo data the first time, kept between runs) and a local
# print queue standing for the talon printer, runs the program and stops
# both when the program is closed. The demo agent logs in with his own
# server account (accounts=agent), as in an agency with more than one room.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${KORAVEL_BUILD_DIR:-$root/build}

bash scripts/install-deps.sh
bash scripts/build.sh

# shellcheck source=lib/rig.sh
. scripts/lib/rig.sh
host=${KORAVEL_DB_HOST:-127.0.0.1}
trap 'rig_services stop "$host" || true' EXIT
rig_services start "$host"
CUPS_SERVER=$(bash scripts/cups.sh socket)
# The program reads its server from koravel3.ini: this one names the local
# database, whatever the machine's or the user's own file says.
XDG_CONFIG_HOME=$(bash scripts/db.sh config)
export CUPS_SERVER XDG_CONFIG_HOME
# The demo program's machine file: each agent logs in with his own server
# account, as an agency with more than one room runs.
mkdir -p "$build/demo"
printf '[database]\nhost=%s\nport=3306\naccounts=agent\n' "$host" >"$build/demo/koravel3.ini"

cat <<MSG
Base locale prête sur $host:3306 (base assurebdd).
Agent de démonstration : utilisateur « demo », mot de passe « demo123 ».
Les talons imprimés arrivent dans la file « talons » ; chaque page est gardée
en PDF dans ${CUPS_SERVER%/cups.sock}/spool/ (lpstat -W completed -o la liste).
MSG
"$build/koravel3/koravel3-demo" "$@"
