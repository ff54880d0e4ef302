#!/usr/bin/env bash
# The benchmark: starts a MariaDB server of its own on the program's
# compiled-in address (port 3306, data in .rig/bench-<host>/, made afresh each
# time), loads the schema and the tariffs, lets bench/koravel3bench fill it
# with 10 000, 100 000 and 1 000 000 policies and measure the window's
# actions with and without the secondary indexes, prints the tables and stops
# the server.
#
#   bash bench/run.sh [--small] [--cluster] [--counters N [--pace S]] [--bench PROGRAM]
#                     [options of koravel3bench run]
#
# --small         10 000 policies, few runs: the test suite's check that the
#                 benchmark still works (CTest label "bench")
# --cluster       the same on a three-node Galera cluster (scripts/cluster.sh,
#                 data in .rig/bench-cluster/, made afresh): the benchmark
#                 fills and reads node 1, the window's file lists the three
#                 nodes; the starts are not measured (their probes cut the
#                 one compiled-in address)
# --counters N    at the largest size, the window measured again beside N other
#                 counters (light clients replaying an agent's day, bench/load.h)
#                 and beside none; --pace S: one statement every S seconds each
#                 (default 1, an agent's pace). --load 0:1,16:1,50:1,16:0.1 gives
#                 the levels one by one.
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
cluster=0
counters=0
pace=1
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --small) small=1 ;;
    --cluster) cluster=1 ;;
    --counters) counters=$2; shift ;;
    --pace) pace=$2; shift ;;
    --bench) bench=$2; shift ;;
    *) args+=("$1") ;;
  esac
  shift
done

if [ "$counters" != 0 ]; then
  args+=(--load "0:$pace,$counters:$pace")
fi

if [ -z "$bench" ]; then
  bash "$root/scripts/install-deps.sh"
  bash "$root/scripts/build.sh"
  bench=${KORAVEL_BUILD_DIR:-$root/build}/bench/koravel3bench
fi
# shellcheck source=../scripts/lib/rig.sh
. "$root/scripts/lib/rig.sh"

if [ $small = 1 ]; then
  pool=512M
  set -- --sizes 10000 --reps 5 --min-reps 3 --budget 2 --start-reps 3 "${args[@]+"${args[@]}"}"
else
  pool=6G
  set -- "${args[@]+"${args[@]}"}"
fi
# The same server settings as the program's local database (scripts/db.sh)
# except the pool, large enough for a million policies, and a log that loses
# up to a second of commits on a crash, which the fill does not care about.
# Statements slower than 20 ms go to slow.log with their plans, and the
# performance schema keeps every statement's time for the "server" column.
# The adaptive hash index is on, as packaging/LISEZMOI-serveur.md sets it for
# an agency's server.
# shellcheck disable=SC2054 # a comma inside an option's value
settings=(--innodb-log-file-size=1G --innodb-flush-log-at-trx-commit=2
  --innodb-adaptive-hash-index=ON
  --long-query-time=0.02 --log-slow-verbosity=query_plan,explain
  --performance-schema=ON --performance-schema-consumer-events-statements-current=ON
  --performance-schema-consumer-events-statements-history-long=ON)

if [ $cluster = 1 ]; then
  # Each node holds every row: a third of the machine's pool each.
  [ $small = 1 ] || pool=3G
  dir=$root/.rig/bench-cluster
  export KORAVEL_CLUSTER_DIR=$dir
  read -r -a nodes <<<"${KORAVEL_CLUSTER_HOSTS:-127.0.0.21 127.0.0.22 127.0.0.23}"
  host=${nodes[0]}
  sock=$dir/node1/mysqld.sock
  bash "$root/scripts/cluster.sh" stop
  rm -rf "$dir"
  trap 'bash "$root/scripts/cluster.sh" stop' EXIT
  KORAVEL_CLUSTER_OPTIONS="--innodb-buffer-pool-size=$pool ${settings[*]} --slow-query-log
    --slow-query-log-file=slow.log" bash "$root/scripts/cluster.sh" start
  set -- --server "$host" --start-reps 0 "$@"
else
  host=$("$bench" host)
  dir=$root/.rig/bench-$host
  sock=$dir/mysqld.sock
  # Nothing may listen on the address already: a server there would be
  # measured instead of ours, or ours could not bind.
  if rig_busy "$host" 3306; then
    echo "bench: another server listens on $host:3306; stop it first (e.g. KORAVEL_DB_HOST=$host bash scripts/db.sh stop [--test])" >&2
    exit 1
  fi
  rm -rf "$dir"
  # A full pool takes a while to write back when the server stops.
  trap 'rig_mariadb_stop "$dir" 6000' EXIT
  rig_mariadb_start "$dir" "$host" --innodb-buffer-pool-size=$pool "${settings[@]}" \
    --slow-query-log --slow-query-log-file="$dir/slow.log"
fi

client() { mariadb --no-defaults -uroot --socket="$sock" "$@"; }
if [ $cluster = 0 ]; then
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
else
  # cluster.sh loaded the schema, the grants and the agents' role, with the
  # demo rows, which the fill replaces.
  client assurebdd -e 'TRUNCATE personnes; TRUNCATE principal; TRUNCATE principal1;
    TRUNCATE clients'
fi
client <<SQL
CREATE USER IF NOT EXISTS 'agnt'@'%' IDENTIFIED BY 'tulvo';
GRANT koravel_counter TO 'agnt'@'%';
SET DEFAULT ROLE koravel_counter FOR 'agnt'@'%';
CREATE USER IF NOT EXISTS 'kvbench'@'%' IDENTIFIED BY 'kvbench';
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
if [ $cluster = 1 ]; then
  mkdir -p "$dir/config/Koravel"
  printf '[database]\nhost=%s\nport=3306\nuser=agnt\npassword=tulvo\n' \
    "$(IFS=,; echo "${nodes[*]}")" >"$dir/config/Koravel/koravel3.ini"
  XDG_CONFIG_HOME=$dir/config
else
  XDG_CONFIG_HOME=$(KORAVEL_DB_HOST=$host KORAVEL_DB_DIR=$dir bash "$root/scripts/db.sh" config)
fi
export XDG_CONFIG_HOME
echo "bench: server on $host:3306, data in $dir" >&2
"$bench" run "$@"
