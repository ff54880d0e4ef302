#!/usr/bin/env bash
# A private MariaDB server for the program, on <host>:3306 (the address the
# program is built with, 127.0.0.1 by default), on its own socket and data
# folder: the machine's own MariaDB, if any, is neither used nor touched.
#
#   scripts/db.sh start [--test]   start (creating and loading it the first time)
#   scripts/db.sh stop [--test]    stop it
#   scripts/db.sh status [--test]  exit 0 when it answers
#   scripts/db.sh load [--test]    load the schema, the grants and the accounts
#                                  into the server of the data folder, already
#                                  running (scripts/cluster.sh's first node)
#   scripts/db.sh sql [--test] [ARGS...]  a mariadb client as root on it
#   scripts/db.sh config [--test]  print a folder for XDG_CONFIG_HOME whose
#                                  koravel3.ini points the program at it
#   scripts/db.sh tls [--test]     print the folder of its TLS files (below)
#
# Without --test it is the program's own database (scripts/run.sh): its data
# stays in .rig/mariadb-<host>, so a policy saved yesterday is still there
# today. With --test it is the test suite's, in .rig/test/mariadb-<host>,
# which the tests empty at will; it also gets the account the suite
# administers the server with (kvtest, every right).
#
# The program's account agnt (password tulvo) holds the role koravel_counter
# of schema/grants.sql and nothing else, as a counter's account at the agency
# does; each start brings a data folder made by an earlier version of this
# script to the same grants.
#
# TLS: the server offers it with certificates made once per data folder, in
# <folder>/tls/ (openssl): ca.pem and ca-key.pem, a CA of this rig alone;
# server-cert.pem and server-key.pem, signed by it for IP:<host>;
# client-cert.pem and client-key.pem, signed by it; other-ca.pem, an unrelated
# CA that signed none of them. Clear-text connections stay allowed
# (require_secure_transport is OFF).
#
# KORAVEL_DB_HOST  listening address (default 127.0.0.1)
# KORAVEL_DB_DIR   data directory (overrides both defaults above)
# KORAVEL_DB_TLS   "off": start the server without TLS (--skip-ssl), e.g.
#                  KORAVEL_DB_TLS=off KORAVEL_DB_HOST=127.0.0.9 \
#                    bash scripts/db.sh start --test
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=lib/rig.sh
. "$root/scripts/lib/rig.sh"
host=${KORAVEL_DB_HOST:-127.0.0.1}
verb=${1:-}
with_test=0
if [ "${2:-}" = --test ]; then
  with_test=1
fi
if [ "$with_test" = 1 ]; then
  dir=${KORAVEL_DB_DIR:-$root/.rig/test/mariadb-$host}
else
  dir=${KORAVEL_DB_DIR:-$root/.rig/mariadb-$host}
fi
sock=$dir/mysqld.sock
tls=$dir/tls

client() { mariadb --no-defaults -uroot --socket="$sock" "$@"; }

running() { rig_mariadb_up "$sock"; }

# One certificate signed by the rig's CA: sign NAME SUBJECT [EXTENSIONS].
sign() {
  local name=$1 subject=$2 extensions=${3:-}
  openssl req -new -newkey rsa:2048 -nodes -subj "$subject" \
    -keyout "$work/$name-key.pem" -out "$work/$name.csr" 2>/dev/null
  openssl x509 -req -in "$work/$name.csr" -CA "$work/ca.pem" -CAkey "$work/ca-key.pem" \
    -CAcreateserial -days 3650 -sha256 -extfile <(printf '%s\n' "$extensions") \
    -out "$work/$name-cert.pem" 2>/dev/null
}

# Made in a scratch folder renamed at the end, so that a run cut short
# leaves no half set behind.
make_tls() {
  [ -f "$tls/other-ca.pem" ] && return
  work=$(mktemp -d "$dir/tls.XXXXXX")
  (
    umask 077
    openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -sha256 \
      -subj "/O=Koravel rig/CN=Koravel rig CA $host" \
      -keyout "$work/ca-key.pem" -out "$work/ca.pem" 2>/dev/null
    sign server "/O=Koravel rig/CN=$host" \
      "subjectAltName=IP:$host
extendedKeyUsage=serverAuth"
    sign client "/O=Koravel rig/CN=agnt" "extendedKeyUsage=clientAuth"
    openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -sha256 \
      -subj "/O=Koravel rig/CN=Unrelated CA" -keyout "$work/other-ca-key.pem" \
      -out "$work/other-ca.pem" 2>/dev/null
    # Nothing is ever signed by the other CA.
    rm -f "$work"/*.csr "$work"/*.srl "$work/other-ca-key.pem"
    chmod 644 "$work"/*.pem
    chmod 600 "$work"/*-key.pem
  )
  rm -rf "$tls"
  mv "$work" "$tls"
  chmod 755 "$tls"
}

start() {
  if ! running && rig_busy "$host" 3306; then
    cat >&2 <<MSG
db.sh: $host:3306 is already taken by another server, so the one with its data in
$dir cannot listen there.
It may be the machine's own MariaDB, or this script's server for the other
data folder (the run command's or the test suite's: bash scripts/db.sh stop
[--test]). Stop it, or give the rig another loopback address with the same
KORAVEL_DB_HOST for every script, e.g.
  KORAVEL_DB_HOST=127.0.0.2 bash scripts/test.sh
MSG
    exit 1
  fi
  mkdir -p "$dir"
  make_tls
  if ! running; then
    local ssl=(--ssl-ca="$tls/ca.pem" --ssl-cert="$tls/server-cert.pem"
      --ssl-key="$tls/server-key.pem")
    [ "${KORAVEL_DB_TLS:-on}" != off ] || ssl=(--skip-ssl)
    rig_mariadb_start "$dir" "$host" --general-log-file="$dir/general.log" \
      --innodb-buffer-pool-size=256M "${ssl[@]}" || exit 1
  fi
  load
}

load() {
  client -e 'CREATE DATABASE IF NOT EXISTS assurebdd CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci'
  client assurebdd <"$root/schema/schema.sql"
  # A data folder made by an earlier version keeps its old tables.
  client assurebdd <"$root/schema/upgrade.sql"
  client assurebdd <"$root/schema/grants.sql"
  # The agents' role, the journal and the triggers that hold agents'
  # sessions to their own sales.
  client assurebdd <"$root/schema/agents.sql"
  # REVOKE ALL takes back the assurebdd.* rights that earlier versions of
  # this script gave, and leaves the role alone.
  client <<SQL
CREATE USER IF NOT EXISTS 'agnt'@'%' IDENTIFIED BY 'tulvo';
REVOKE ALL PRIVILEGES, GRANT OPTION FROM 'agnt'@'%';
GRANT koravel_counter TO 'agnt'@'%';
SET DEFAULT ROLE koravel_counter FOR 'agnt'@'%';
SQL
  if [ "$(client -N assurebdd -e 'SELECT COUNT(*) FROM categorie1')" = "0" ]; then
    client assurebdd <"$root/schema/tariffs.sql"
    client assurebdd <"$root/schema/demo.sql"
  fi
  # The demo agent's own server account (the run command's program logs in
  # with it); the test suite's agents get theirs from the kit.
  if [ "$with_test" = 0 ] &&
    [ "$(client -N assurebdd -e "SELECT COUNT(*) FROM personnes WHERE user='demo'")" = 1 ]; then
    client assurebdd -e "CALL koravel_add_agent('demo', 'demo123')"
  fi
  if [ "$with_test" = 1 ]; then
    client <<SQL
CREATE USER IF NOT EXISTS 'kvtest'@'%' IDENTIFIED BY 'kvtest';
GRANT ALL PRIVILEGES ON *.* TO 'kvtest'@'%' WITH GRANT OPTION;
-- Granting a role takes its ADMIN OPTION (koravel_add_agent grants
-- koravel_agent); an account that holds it so is no agent.
GRANT koravel_agent TO 'kvtest'@'%' WITH ADMIN OPTION;
SQL
  fi
}

# A user koravel3.ini that names every key: it overrides whatever the
# machine's file says, so the program started with it uses this server.
config() {
  mkdir -p "$dir/config/Koravel"
  printf '[database]\nhost=%s\nport=3306\nuser=agnt\npassword=tulvo\n' "$host" \
    >"$dir/config/Koravel/koravel3.ini"
  echo "$dir/config"
}

stop() { rig_mariadb_stop "$dir"; }

case "$verb" in
  start) start ;;
  stop) stop ;;
  status) running ;;
  load) load ;;
  config) config ;;
  tls)
    mkdir -p "$dir"
    make_tls
    echo "$tls"
    ;;
  sql)
    shift
    [ "$with_test" = 0 ] || shift
    client "$@"
    ;;
  *) sed -n '2,39p' "$0"; exit 2 ;;
esac
