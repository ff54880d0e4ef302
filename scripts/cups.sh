#!/usr/bin/env bash
# A private print server (CUPS) with one queue, "talons", made the default
# printer. It stands for the agency's printer: every page the program prints
# is kept as the PDF document of its job in the spool directory, where the
# tests read it back. Nothing of the machine's own CUPS set-up is used or
# changed; clients reach this server through CUPS_SERVER=<dir>/cups.sock.
#
#   scripts/cups.sh start [--test]   start it (and put the queue back if it is missing)
#   scripts/cups.sh stop [--test]    stop it
#   scripts/cups.sh status [--test]  exit 0 when it answers
#   scripts/cups.sh socket [--test]  print its socket path, the value for CUPS_SERVER
#
# KORAVEL_DB_HOST  names the instance, like the database's (default 127.0.0.1)
# KORAVEL_CUPS_DIR its directory (default .rig/cups-<host>, with --test the
#                  test suite's .rig/test/cups-<host>); job documents are
#                  <dir>/spool/d<job id, 5 digits>-001
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=lib/rig.sh
. "$root/scripts/lib/rig.sh"
host=${KORAVEL_DB_HOST:-127.0.0.1}
if [ "${2:-}" = --test ]; then
  dir=${KORAVEL_CUPS_DIR:-$root/.rig/test/cups-$host}
else
  dir=${KORAVEL_CUPS_DIR:-$root/.rig/cups-$host}
fi
sock=$dir/cups.sock
pidfile=$dir/cupsd.pid
queue=talons

client() { CUPS_SERVER=$sock "$@"; }

running() {
  [ -S "$sock" ] && client lpstat -r 2>/dev/null | grep -q 'is running'
}

configure() {
  mkdir -p "$dir/etc/ppd" "$dir/etc/ssl" "$dir/spool/tmp" "$dir/cache" "$dir/run" "$dir/log"
  cat >"$dir/etc/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/run
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
Printcap $dir/printcap
FileDevice Yes
SystemGroup root
CONF
  # Only a local socket, no browsing; the job documents and the job history
  # are kept so that a printed page can be read back.
  cat >"$dir/etc/cupsd.conf" <<CONF
LogLevel warn
Listen $sock
Browsing No
WebInterface No
DefaultAuthType None
PreserveJobFiles Yes
PreserveJobHistory Yes
MaxJobs 200
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
}

start() {
  if ! running; then
    command -v cupsd >/dev/null || { echo "cupsd is not installed (scripts/install-deps.sh)" >&2; exit 1; }
    configure
    rm -f "$sock"
    setsid cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" \
      >>"$dir/log/cupsd.out" 2>&1 </dev/null &
    echo $! >"$pidfile"
    if ! rig_wait 100 running; then
      echo "cupsd did not start; see $dir/log/error_log" >&2
      tail -n 20 "$dir/log/error_log" "$dir/log/cupsd.out" >&2 2>/dev/null || true
      exit 1
    fi
  fi
  if ! client lpstat -p "$queue" >/dev/null 2>&1; then
    # A raw queue hands Qt's PDF over unchanged (CUPS warns that raw queues
    # are deprecated); the page itself is read from the job's spool copy.
    client lpadmin -p "$queue" -E -v file:///dev/null -m raw 2>/dev/null
  fi
  client lpadmin -d "$queue"
}

stop() { rig_stop "$pidfile" 100; }

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  status) running ;;
  socket) echo "$sock" ;;
  *) sed -n '2,18p' "$0"; exit 2 ;;
esac
