# shellcheck shell=bash
# The rig's services, sourced by the scripts that start or stop them:
# scripts/db.sh (a private MariaDB), scripts/cups.sh (a private CUPS queue),
# scripts/run.sh, scripts/test.sh, scripts/screenshots.sh and bench/run.sh.
#
#   rig_busy HOST PORT           0 when something already listens on HOST:PORT
#   rig_wait TRIES COMMAND...    COMMAND every 0.1 s until it succeeds, at most
#                                TRIES times; 1 when it never did
#   rig_stop PIDFILE [TRIES]     end the process named in PIDFILE and wait for it
#   rig_mariadb_start DIR HOST [MARIADBD OPTIONS...]
#                                a MariaDB server with its data in DIR/data
#                                (made when missing), socket DIR/mysqld.sock,
#                                listening on HOST:3306; returns once it answers
#   rig_mariadb_up SOCKET        0 when the server on SOCKET answers
#   rig_mariadb_stop DIR [TRIES] stop the server of DIR
#   rig_services start|stop HOST [--test]
#                                the database and the print queue together
#                                (scripts/db.sh and scripts/cups.sh)

rig_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# A server already there, on the address itself or on every address: ours
# could not bind, or a client would silently reach that one instead.
rig_busy() {
  local host=$1 port=$2
  (exec 3<>"/dev/tcp/$host/$port") 2>/dev/null && return 0
  ss -Hltn 2>/dev/null | awk '{print $4}' |
    grep -qxE "(${host//./\\.}|0\.0\.0\.0|\*|\[::\]):$port"
}

rig_wait() {
  local tries=$1 i
  shift
  for ((i = 0; i < tries; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

rig_gone() { ! kill -0 "$1" 2>/dev/null; }

rig_stop() {
  local pidfile=$1 tries=${2:-300} pid
  [ -f "$pidfile" ] || return 0
  pid=$(cat "$pidfile")
  kill "$pid" 2>/dev/null || true
  if rig_wait "$tries" rig_gone "$pid"; then
    rm -f "$pidfile"
  else
    echo "process $pid (from $pidfile) is still running" >&2
    return 1
  fi
}

rig_mariadb_up() {
  [ -S "$1" ] && mariadb-admin --no-defaults -uroot --socket="$1" ping >/dev/null 2>&1
}

# --no-defaults keeps the machine's own server configuration out of it; the
# caller's options come last and so win over these.
rig_mariadb_start() {
  local dir=$1 host=$2
  shift 2
  mkdir -p "$dir"
  if [ ! -d "$dir/data/mysql" ]; then
    mariadb-install-db --no-defaults --user="$(id -un)" --datadir="$dir/data" \
      --auth-root-authentication-method=normal >"$dir/install.log" 2>&1 || {
      echo "mariadb-install-db failed; see $dir/install.log" >&2
      return 1
    }
  fi
  mariadbd --no-defaults --user="$(id -un)" --datadir="$dir/data" --socket="$dir/mysqld.sock" \
    --port=3306 --bind-address="$host" --pid-file="$dir/mysqld.pid" \
    --log-error="$dir/error.log" \
    --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
    --max-connections=200 --skip-name-resolve "$@" >/dev/null 2>&1 &
  if ! rig_wait 300 rig_mariadb_up "$dir/mysqld.sock"; then
    echo "MariaDB did not start; see $dir/error.log" >&2
    tail -n 20 "$dir/error.log" >&2 || true
    return 1
  fi
}

rig_mariadb_stop() { rig_stop "$1/mysqld.pid" "${2:-300}"; }

# Both are tried on stop even when the first fails.
rig_services() {
  local verb=$1 host=$2 status=0
  shift 2
  KORAVEL_DB_HOST=$host bash "$rig_root/scripts/db.sh" "$verb" "$@" >/dev/null || status=1
  [ "$verb" = stop ] || [ "$status" = 0 ] || return 1
  KORAVEL_DB_HOST=$host bash "$rig_root/scripts/cups.sh" "$verb" "$@" >/dev/null || status=1
  return "$status"
}
