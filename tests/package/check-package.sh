#!/usr/bin/env bash
# Builds the Debian package from a build tree, unpacks it into a scratch root,
# checks what it holds and declares, has lintian judge it, and runs the
# unpacked program as an ordinary user under Xvfb, pointed at the rig's
# database server by a user INI file: the server itself must see the
# program's session as agnt. Needs root (to act as the user "nobody"),
# lintian, Xvfb and the rig's server (scripts/db.sh start --test); without
# any of them it fails.
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
program_pid=""
cleanup() {
  [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
check() {
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $what"
  fi
}

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  exit 1
}
deb=$(ls "$work"/out/*.deb)
echo "package: $(basename "$deb")"
dpkg -x "$deb" "$work/root"
depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"

root=$work/root
doc=$root/usr/share/doc/koravel3
check "program installed" test -x "$root/usr/bin/koravel3"
check "desktop entry" test -f "$root/usr/share/applications/koravel3.desktop"
check "desktop entry valid" desktop-file-validate "$root/usr/share/applications/koravel3.desktop"
check "desktop entry French name" grep -qx 'Name=Koravel Assurances' "$root/usr/share/applications/koravel3.desktop"
check "desktop entry French comment" grep -q '^Comment=Émettre' "$root/usr/share/applications/koravel3.desktop"
check "icon" test -s "$root/usr/share/icons/hicolor/128x128/apps/koravel3.png"
for f in schema.sql upgrade.sql grants.sql agents.sql tariffs.sql demo.sql; do
  check "schema file $f" test -s "$root/usr/share/koravel3/schema/$f"
done
check "server README" test -s "$doc/LISEZMOI-serveur.md"
check "agents' guide" test -s "$doc/guide-agent.md"
check "manual page" bash -c "zcat '$root/usr/share/man/man1/koravel3.1.gz' | grep -q koravel3.ini"
# Every picture the guide shows is installed beside it.
for picture in $(grep -o 'images/[a-z-]*\.png' "$doc/guide-agent.md" | sort -u); do
  check "guide picture $picture" test -s "$doc/$picture"
done
check "guide shows pictures" grep -q 'images/.*\.png' "$doc/guide-agent.md"
check "copyright, machine-readable" grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$doc/copyright"
check "changelog compressed, of this version" bash -c "zcat '$doc/changelog.gz' | head -1 | grep -q '^koravel3 ($version) '"
for dep in libqt6sql6-mysql libqt6widgets6 libqt6sql6 libqt6network6 libqt6printsupport6 \
  libqt6gui6 libqt6core6 libc6 qt6-qpa-plugins qt6-translations-l10n; do
  check "depends on $dep" grep -q "\\b$dep\\b" <<<"$depends"
done
check "every linked library resolves" bash -c "! ldd '$root/usr/bin/koravel3' | grep -q 'not found'"
check "package name and version" test "$(dpkg-deb -f "$deb" Package Version | tr '\n' ' ')" = "Package: koravel3 Version: $version "

# lintian's errors are what Debian's archive refuses; its warnings are shown.
if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
  cat "$work/lintian.log"
  check "lintian reports no error" bash -c "! grep -q '^E:' '$work/lintian.log'"
else
  check "lintian is installed (scripts/install-deps.sh)" false
fi

# The installed program, run by an ordinary user ---------------------------
host=$(sed -n 's/^KORAVEL_DB_HOST:[A-Z]*=//p' "$build/CMakeCache.txt")
admin() {
  mariadb --no-defaults --protocol=TCP -h "$host" -P 3306 -ukvtest -pkvtest -N "$@"
}
user=nobody
chmod 755 "$work"

# Starts the unpacked program as $user with the given koravel3.ini lines in
# its own configuration folder; sets program_pid, output in $work/$1.log.
start_program() {
  local name=$1 ini=$2 home=$work/home-$1
  mkdir -p "$home/.config/Koravel" "$home/run"
  printf '[database]\n%s\n' "$ini" >"$home/.config/Koravel/koravel3.ini"
  chown -R "$user" "$home"
  chmod 700 "$home/run"
  runuser -u "$user" -- env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    XDG_RUNTIME_DIR="$home/run" LANG=C.UTF-8 QT_FORCE_STDERR_LOGGING=1 QT_QPA_PLATFORM=xcb \
    xvfb-run -a "$root/usr/bin/koravel3" >"$work/$name.log" 2>&1 &
  program_pid=""
  for _ in $(seq 1 100); do
    program_pid=$(pgrep -u "$user" -f "^$root/usr/bin/koravel3\$" || true)
    [ -n "$program_pid" ] && return 0
    sleep 0.1
  done
  echo "the installed program did not start:"
  cat "$work/$name.log"
  return 1
}

stop_program() {
  kill "$program_pid" 2>/dev/null || true
  for _ in $(seq 1 100); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
  done
  program_pid=""
  wait || true
}

# The server's sessions of agnt that belong to the program's process: the
# client address of each, as the server lists it, is a socket of that pid.
agnt_sessions_of_program() {
  local session
  for session in $(admin -e "SELECT host FROM information_schema.processlist WHERE user = 'agnt'"); do
    ss -Htnp state established "src $session" | grep -q "pid=$program_pid," && echo "$session"
  done
}

wait_for() {
  for _ in $(seq 1 200); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

has_session() { [ -n "$(agnt_sessions_of_program)" ]; }
no_session() { ! has_session; }

if [ "$(id -u)" -ne 0 ]; then
  check "run as root, so as to start the program as $user" false
elif ! command -v xvfb-run >/dev/null; then
  check "xvfb-run is installed (scripts/install-deps.sh)" false
elif ! admin -e 'SELECT 1' >/dev/null 2>&1; then
  check "the rig's database server answers on $host:3306 (scripts/db.sh start --test)" false
else
  # The user's file is read: pointed at a port where nothing listens, the
  # program reports that it cannot connect, and the server sees nothing.
  if start_program nowhere "host=$host
port=1"; then
    check "program pointed elsewhere says it cannot connect" \
      wait_for grep -q 'impossible de se connection' "$work/nowhere.log"
    check "program pointed elsewhere opens no session" no_session
    stop_program
  else
    check "program starts (INI pointing elsewhere)" false
  fi
  # Pointed at the rig's server, it holds a session there as agnt.
  if start_program rig "host=$host
port=3306
user=agnt
password=tulvo"; then
    check "server sees the installed program connected as agnt" wait_for has_session
    check "program says it is connected" grep -q 'connecter\.\.\.\.\.' "$work/rig.log"
    echo "sessions of agnt from the program: $(agnt_sessions_of_program | tr '\n' ' ')"
    check "program runs as $user" test "$(ps -o user= -p "$program_pid")" = "$user"
    stop_program
  else
    check "program starts (INI pointing at the server)" false
  fi
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
