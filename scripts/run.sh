#!/usr/bin/env bash
# Sets up a fresh machine, builds the program, starts the local database
# (created with demo data the first time, kept between runs), runs the
# program and stops the database when the program is closed.
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
bash scripts/db.sh start

cat <<MSG
Base locale prête sur ${KORAVEL_DB_HOST:-127.0.0.1}:3306 (base assurebdd).
Agent de démonstration : utilisateur « demo », mot de passe « demo123 ».
MSG
"$build/koravel3/koravel3" "$@"
