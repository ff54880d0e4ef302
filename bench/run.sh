#!/usr/bin/env bash
# The benchmark: starts a MariaDB server of its own on the program's
# compiled-in address (port 3306, data in .rig/bench-<host>/, made afresh each
# time), loads the schema and the tariffs, lets bench/koravel3bench fill it
# with 10 000, 100 000 and 1 000 000 policies and measure the window's
# actions with and without the secondary indexes, prints the tables and stops
# the server.
#
#   bash bench/run.sh [--small] [--bench PROGRAM] [options of koravel3bench run]
#
# --small         10 000 policies, few runs: the test suite's check that the
#                 benchmark still works (CTest label "bench")
# --bench PATH    use this benchmark program instead of building one
# Other options go to the program, e.g. --sizes 10000,100000 --reps 15
# --markdown FILE. Without --bench the script installs the packages and
# builds first, like scripts/test.sh (KORAVEL_BUILD_DIR, KORAVEL_DB_HOST).
#
# The address must be free: the script refuses to run while another server
# (the test suite's, or the program's own local one) listens on it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bench=""
small=0
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --small) small=1 ;;
    --bench) bench=$2; shift ;;
    *) args+=("$1") ;;
  esac
  shift
done

if [ -z "$bench" ]; then
  bash "$root/scripts/install-deps.sh"
  bash "$root/scripts/build.sh"
  bench=${KORAVEL_BUILD_DIR:-$root/build}/bench/koravel3bench
fi
host=$("$bench" host)
dir=$root/.rig/bench-$host
sock=$dir/mysqld.sock
# shellcheck source=../scripts/lib/rig.sh
. "$root/scripts/lib/rig.sh"

# Nothing may listen on the address already: a server there would be
# measured instead of ours, or ours could not bind.
if rig_busy "$host" 3306; then
  echo "bench: another server listens on $host:3306; stop it first (e.g. KORAVEL_DB_HOST=$host bash scripts/db.sh stop [--test])" >&2
  exit 1
fi

if [ $small = 1 ]; then
  pool=512M
  set -- --sizes 10000 --reps 5 --min-reps 3 --budget 2 --start-reps 3 "${args[@]+"${args[@]}"}"
else
  pool=6G
  set -- "${args[@]+"${args[@]}"}"
fi

rm -rf "$dir"
# A full pool takes a while to write back when the server stops.
trap 'rig_mariadb_stop "$dir" 6000' EXIT
# The same server settings as the program's local database (scripts/db.sh)
# except the pool, large enough for a million policies, and a log that loses
# up to a second of commits on a crash, which the fill does not care about.
# Statements slower than 20 ms go to slow.log with their plans, and the
# performance schema keeps every statement's time for the "server" column.
rig_mariadb_start "$dir" "$host" \
  --innodb-buffer-pool-size=$pool --innodb-log-file-size=1G \
  --innodb-flush-log-at-trx-commit=2 \
  --slow-query-log --slow-query-log-file="$dir/slow.log" --long-query-time=0.02 \
  --log-slow-verbosity=query_plan,explain \
  --performance-schema=ON --performance-schema-consumer-events-statements-current=ON \
  --performance-schema-consumer-events-statements-history-long=ON

client() { mariadb --no-defaults -uroot --socket="$sock" "$@"; }
client -e 'CREATE DATABASE assurebdd CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci'
client assurebdd <"$root/schema/schema.sql"
client assurebdd <"$root/schema/tariffs.sql"
# The program's account with a counter's rights only (schema/grants.sql), as
# at the agency; the benchmark fills and measures the tables as kvbench.
client assurebdd <"$root/schema/grants.sql"
# The agents' own accounts, as at an agency of several rooms: the measured
# agent logs in with its own account (koravel_add_agent, once the agents
# are in), and its saves go through the server's checks.
client assurebdd <"$root/schema/agents.sql"
client <<SQL
CREATE USER 'agnt'@'%' IDENTIFIED BY 'tulvo';
GRANT koravel_counter TO 'agnt'@'%';
SET DEFAULT ROLE koravel_counter FOR 'agnt'@'%';
CREATE USER 'kvbench'@'%' IDENTIFIED BY 'kvbench';
GRANT ALL PRIVILEGES ON *.* TO 'kvbench'@'%';
GRANT koravel_agent TO 'kvbench'@'%' WITH ADMIN OPTION;
SQL
# The machine's file of such an agency, where the benchmark's programs
# (built on the test kit) look for it.
mkdir -p "$dir/system/Koravel"
printf '[database]\naccounts=agent\n' >"$dir/system/Koravel/koravel3.ini"
XDG_CONFIG_DIRS=$dir/system
export XDG_CONFIG_DIRS

# A koravel3.ini that names this server, whatever the machine's or the
# user's own file says.
XDG_CONFIG_HOME=$(KORAVEL_DB_HOST=$host KORAVEL_DB_DIR=$dir bash "$root/scripts/db.sh" config)
export XDG_CONFIG_HOME
echo "bench: server on $host:3306, data in $dir" >&2
"$bench" run "$@"
