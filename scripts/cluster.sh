#!/usr/bin/env bash
# A three-node MariaDB Galera cluster on loopback, for the test suite and
# the benchmark: each node a private server with its own data folder
# (.rig/test/cluster/nodeN), listening on its own address, port 3306.
#
#   scripts/cluster.sh start       start the nodes not running (the first of
#                                  a stopped cluster founds it and is loaded
#                                  with the schema, the grants and the test
#                                  accounts, like scripts/db.sh --test)
#   scripts/cluster.sh stop        stop every node
#   scripts/cluster.sh kill N      end node N at once (SIGKILL)
#   scripts/cluster.sh restart N   start node N again: it rejoins the others
#                                  (an incremental transfer when they still
#                                  hold what it missed)
#   scripts/cluster.sh status      one line per node; exit 0 when all serve
#   scripts/cluster.sh sql N [ARGS...]  a mariadb client as root on node N
#
# The nodes run as the mysql user: the state transfer (rsync) of a joining
# node cannot write its data folder otherwise.
#
# KORAVEL_CLUSTER_HOSTS  the nodes' addresses (default
#                        "127.0.0.21 127.0.0.22 127.0.0.23")
# KORAVEL_CLUSTER_OPTIONS  more options for each node's mariadbd (the
#                        benchmark's pool and statement times)
# KORAVEL_CLUSTER_DIR    the nodes' folders (default .rig/test/cluster, or a
#                        folder of /var/tmp when the mysql user cannot
#                        reach that one)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=lib/rig.sh
. "$root/scripts/lib/rig.sh"
read -r -a hosts <<<"${KORAVEL_CLUSTER_HOSTS:-127.0.0.21 127.0.0.22 127.0.0.23}"
base=${KORAVEL_CLUSTER_DIR:-$root/.rig/test/cluster}
# The mysql user must reach the data folders: under a checkout it cannot
# enter (a home folder of mode 700), they go to /var/tmp instead.
mkdir -p "$base"
if ! runuser -u mysql -- test -x "$base"; then
  base=/var/tmp/koravel-cluster-$(printf '%s' "$root" | md5sum | cut -c1-12)
  mkdir -p "$base"
fi

node_dir() { echo "$base/node$1"; }
node_host() { echo "${hosts[$1 - 1]}"; }
node_sql() {
  local n=$1
  shift
  mariadb --no-defaults -uroot --socket="$(node_dir "$n")/mysqld.sock" "$@"
}

# A node serves when it has joined the primary component and is synced
# (state 4): a node still catching up, or a donor, is passed over by the
# counters, and a test that starts then would see them move.
serving() {
  [ "$(node_sql "$1" -N -e "SELECT GROUP_CONCAT(VARIABLE_VALUE ORDER BY VARIABLE_NAME)
    FROM information_schema.GLOBAL_STATUS
    WHERE VARIABLE_NAME IN ('WSREP_READY', 'WSREP_LOCAL_STATE')" 2>/dev/null)" = 4,ON ]
}

running() { rig_mariadb_up "$(node_dir "$1")/mysqld.sock"; }

any_running() {
  local n
  for n in 1 2 3; do running "$n" && return 0; done
  return 1
}

# Node N's server, joining the addresses in $2 ("" founds a new cluster).
launch() {
  local n=$1 peers=$2 dir host
  dir=$(node_dir "$n")
  host=$(node_host "$n")
  local found=()
  if [ -z "$peers" ]; then
    found=(--wsrep-new-cluster)
    # The rig's data is the suite's: the first node may found the cluster
    # again whichever node stopped last.
    [ ! -f "$dir/data/grastate.dat" ] ||
      sed -i 's/^safe_to_bootstrap: 0/safe_to_bootstrap: 1/' "$dir/data/grastate.dat"
  fi
  mariadbd --no-defaults --user=mysql --datadir="$dir/data" --socket="$dir/mysqld.sock" \
    --port=3306 --bind-address="$host" --pid-file="$dir/mysqld.pid" \
    --log-error="$dir/error.log" --skip-name-resolve --max-connections=200 \
    --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
    --innodb-buffer-pool-size=128M \
    --binlog-format=ROW --default-storage-engine=InnoDB --innodb-autoinc-lock-mode=2 \
    --wsrep-on=ON --wsrep-provider=/usr/lib/galera/libgalera_smm.so \
    --wsrep-cluster-name=koravel --wsrep-cluster-address="gcomm://$peers" \
    --wsrep-node-address="$host" --wsrep-sst-method=rsync \
    --wsrep-sst-receive-address="$host:4444" \
    --wsrep-provider-options="gmcast.listen_addr=tcp://$host:4567;ist.recv_addr=$host:4568" \
    "${found[@]}" ${KORAVEL_CLUSTER_OPTIONS:-} >/dev/null 2>&1 &
  if ! rig_wait 1200 serving "$n"; then
    echo "cluster.sh: node $n ($host) did not join; see $dir/error.log" >&2
    tail -n 20 "$dir/error.log" >&2 || true
    return 1
  fi
}

start_node() {
  local n=$1 dir peers="" other
  dir=$(node_dir "$n")
  if running "$n"; then
    rig_wait 1200 serving "$n" && return 0
    echo "cluster.sh: node $n ($(node_host "$n")) runs but is not synced" >&2
    return 1
  fi
  if rig_busy "$(node_host "$n")" 3306; then
    echo "cluster.sh: $(node_host "$n"):3306 is taken by another server" >&2
    return 1
  fi
  mkdir -p "$dir/data"
  for other in 1 2 3; do
    [ "$other" = "$n" ] || ! running "$other" || peers+="${peers:+,}$(node_host "$other")"
  done
  if [ -z "$peers" ] && [ ! -d "$dir/data/mysql" ]; then
    chown -R mysql:mysql "$dir"
    mariadb-install-db --no-defaults --user=mysql --datadir="$dir/data" \
      --auth-root-authentication-method=normal >"$dir/install.log" 2>&1 || {
      echo "cluster.sh: mariadb-install-db failed; see $dir/install.log" >&2
      return 1
    }
  fi
  chown -R mysql:mysql "$dir"
  launch "$n" "$peers"
}

start() {
  local founded=0 n
  any_running || founded=1
  start_node 1
  if [ "$founded" = 1 ]; then
    KORAVEL_DB_DIR=$(node_dir 1) KORAVEL_DB_HOST=$(node_host 1) \
      bash "$root/scripts/db.sh" load --test
    # Accounts without a name would take an agent's connection from the
    # node's own address.
    node_sql 1 -N -e "SELECT CONCAT('DROP USER ''', user, '''@''', host, ''';')
      FROM mysql.user WHERE user = ''" | node_sql 1
  fi
  for n in 2 3; do start_node "$n"; done
}

stop() {
  local n status=0
  for n in 3 2 1; do rig_mariadb_stop "$(node_dir "$n")" 600 || status=1; done
  return "$status"
}

node_number() {
  case "${1:-}" in
    1 | 2 | 3) echo "$1" ;;
    *) echo "cluster.sh: a node is 1, 2 or 3" >&2; exit 2 ;;
  esac
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  kill)
    n=$(node_number "${2:-}")
    pidfile=$(node_dir "$n")/mysqld.pid
    if [ -f "$pidfile" ]; then
      pid=$(cat "$pidfile")
      kill -9 "$pid" 2>/dev/null || true
      rig_wait 100 rig_gone "$pid"
      rm -f "$pidfile"
    fi
    ;;
  restart) start_node "$(node_number "${2:-}")" ;;
  status)
    all=0
    for n in 1 2 3; do
      if serving "$n"; then
        echo "node $n $(node_host "$n"): serving, cluster of $(node_sql "$n" -N -e \
          "SELECT VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS
           WHERE VARIABLE_NAME = 'WSREP_CLUSTER_SIZE'")"
      else
        echo "node $n $(node_host "$n"): not serving"
        all=1
      fi
    done
    exit "$all"
    ;;
  sql)
    n=$(node_number "${2:-}")
    shift 2
    node_sql "$n" "$@"
    ;;
  *) sed -n '2,28p' "$0"; exit 2 ;;
esac
