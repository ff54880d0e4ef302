#!/usr/bin/env bash
# A private MariaDB server for the program, on <host>:3306 (the address the
# program is built with, 127.0.0.1 by default). Its data stays in .rig/ so a
# policy saved yesterday is still there today.
#
#   scripts/db.sh start [--test]   start (creating and loading it the first time)
#   scripts/db.sh stop             stop it
#   scripts/db.sh status           exit 0 when it answers
#   scripts/db.sh sql [ARGS...]    a mariadb client as root on it
#
# KORAVEL_DB_HOST  listening address (default 127.0.0.1)
# KORAVEL_DB_DIR   data directory    (default .rig/mariadb-<host>)
# --test also creates the account the test suite administers the server with.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
host=${KORAVEL_DB_HOST:-127.0.0.1}
dir=${KORAVEL_DB_DIR:-$root/.rig/mariadb-$host}
data=$dir/data
sock=$dir/mysqld.sock
pidfile=$dir/mysqld.pid

client() { mariadb --no-defaults -uroot --socket="$sock" "$@"; }

running() {
  [ -S "$sock" ] && mariadb-admin --no-defaults -uroot --socket="$sock" ping >/dev/null 2>&1
}

start() {
  local with_test=$1
  mkdir -p "$dir"
  if ! running; then
    if [ ! -d "$data/mysql" ]; then
      mariadb-install-db --no-defaults --user="$(id -un)" --datadir="$data" \
        --auth-root-authentication-method=normal >"$dir/install.log" 2>&1
    fi
    # --no-defaults keeps the machine's own server configuration out of it.
    mariadbd --no-defaults --user="$(id -un)" --datadir="$data" --socket="$sock" \
      --port=3306 --bind-address="$host" --pid-file="$pidfile" \
      --log-error="$dir/error.log" --general-log-file="$dir/general.log" \
      --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
      --innodb-buffer-pool-size=256M --max-connections=200 --skip-name-resolve \
      >/dev/null 2>&1 &
    for _ in $(seq 1 300); do
      running && break
      sleep 0.1
    done
    if ! running; then
      echo "MariaDB did not start; see $dir/error.log" >&2
      tail -n 20 "$dir/error.log" >&2 || true
      exit 1
    fi
  fi
  client <<SQL
CREATE DATABASE IF NOT EXISTS assurebdd CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;
CREATE USER IF NOT EXISTS 'agnt'@'%' IDENTIFIED BY 'tulvo';
GRANT SELECT, INSERT, UPDATE, DELETE ON assurebdd.* TO 'agnt'@'%';
SQL
  client assurebdd <"$root/schema/schema.sql"
  # A data folder made by an earlier version keeps its old tables.
  client assurebdd <"$root/schema/upgrade.sql"
  if [ "$(client -N assurebdd -e 'SELECT COUNT(*) FROM categorie1')" = "0" ]; then
    client assurebdd <"$root/schema/tariffs.sql"
    client assurebdd <"$root/schema/demo.sql"
  fi
  if [ "$with_test" = 1 ]; then
    client <<SQL
CREATE USER IF NOT EXISTS 'kvtest'@'%' IDENTIFIED BY 'kvtest';
GRANT ALL PRIVILEGES ON *.* TO 'kvtest'@'%' WITH GRANT OPTION;
SQL
  fi
}

stop() {
  if [ -f "$pidfile" ]; then
    local pid
    pid=$(cat "$pidfile")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 300); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
  fi
}

case "${1:-}" in
  start) start "$([ "${2:-}" = --test ] && echo 1 || echo 0)" ;;
  stop) stop ;;
  status) running ;;
  sql) shift; client "$@" ;;
  *) sed -n '2,15p' "$0"; exit 2 ;;
esac
