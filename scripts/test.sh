#!/usr/bin/env bash
# Sets up a fresh machine, builds, starts the services the tests need (a
# private MariaDB and a private CUPS print queue), runs the whole test suite
# and stops the services again. The suite runs in stages:
#   unit   the pure core's tests: no server, no display, a second
#   main   every other test of the normal build
#   asan   the same tests built with AddressSanitizer and UBSan
#   bench  the benchmark's small run (it starts its own database server)
#   fuzz   each libFuzzer target for KORAVEL_FUZZ_SECONDS (default 15)
# The asan stage builds and runs beside the main stage, against services of
# its own on KORAVEL_ASAN_DB_HOST (default 127.0.0.2), so the two share no
# server, port or data folder. It leaves out the fault tests, which mostly
# wait for the server to stop and start again (the main stage runs them).
# KORAVEL_TEST_STAGES picks stages (default "unit main asan bench fuzz").
# Extra arguments go to ctest (e.g. -L db, -R login); with them only the
# unit and main stages run. KORAVEL_WERROR=ON makes compiler warnings errors
# (CI sets it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${KORAVEL_BUILD_DIR:-$root/build}
asan_build=${KORAVEL_ASAN_BUILD_DIR:-$build-asan}
fuzz_build=${KORAVEL_FUZZ_BUILD_DIR:-$build-fuzz}
host=${KORAVEL_DB_HOST:-127.0.0.1}
asan_host=${KORAVEL_ASAN_DB_HOST:-127.0.0.2}
werror=${KORAVEL_WERROR:-OFF}
stages=${KORAVEL_TEST_STAGES:-unit main asan bench fuzz}
[ $# -eq 0 ] || stages="unit main"
has() { [[ " $stages " == *" $1 "* ]]; }
started=$(date +%s)

bash scripts/install-deps.sh
KORAVEL_DB_HOST=$host bash scripts/build.sh -DKORAVEL_WERROR="$werror"

logs=$(mktemp -d)
side=
# The suite's servers keep their data apart from the run command's
# (.rig/test/), so a test run never empties the demo database.
services() {
  local verb=$1 address=$2
  KORAVEL_DB_HOST=$address bash scripts/db.sh "$verb" --test >/dev/null
  KORAVEL_DB_HOST=$address bash scripts/cups.sh "$verb" --test >/dev/null
}
cleanup() {
  [ -z "$side" ] || kill "$side" 2>/dev/null || true
  services stop "$host" || true
  services stop "$asan_host" || true
}
trap 'cleanup; rm -rf "$logs"' EXIT

status=0
stage() {
  local name=$1
  shift
  echo "=== $name"
  "$@" >"$logs/$name.log" 2>&1 || status=1
  cat "$logs/$name.log"
}

# The sanitizer build and its run, in the background: one core builds while
# the other runs the main stage, whose tests mostly wait on the server.
asan() {
  local result
  KORAVEL_BUILD_DIR=$asan_build KORAVEL_BUILD_TYPE=Debug KORAVEL_DB_HOST=$asan_host \
    bash scripts/build.sh -DKORAVEL_WERROR="$werror" -DKORAVEL_BUILD_TOOLS=OFF \
    -DKORAVEL_UPDATE_URL="https://$asan_host:8443/version.json" -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
  services start "$asan_host"
  # Leaks inside the toolkit's and the client libraries' own singletons are
  # listed, with the reason, in the suppression file; nothing of ours is.
  env ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
    LSAN_OPTIONS=suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$asan_build" --output-on-failure --timeout 1800 -j2 -LE 'bench|package|faults' ||
    result=$?
  services stop "$asan_host"
  return "${result:-0}"
}

has unit && stage unit ctest --test-dir "$build" --output-on-failure -j2 -L unit
if has asan; then
  (asan >"$logs/asan.log" 2>&1) &
  side=$!
fi
if has main; then
  services start "$host"
  stage main ctest --test-dir "$build" --output-on-failure --timeout 900 -j2 -LE 'unit|bench' "$@"
  # The benchmark starts its own server on the same address.
  services stop "$host"
fi
has bench && stage bench ctest --test-dir "$build" --output-on-failure --timeout 900 -L bench
# The fuzzers while the sanitizer stage still runs.
if has fuzz; then
  echo "=== fuzz (build)"
  launcher=()
  ! command -v ccache >/dev/null || launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S fuzz -B "$fuzz_build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
    -DKORAVEL_FUZZ_SECONDS="${KORAVEL_FUZZ_SECONDS:-15}" >/dev/null
  cmake --build "$fuzz_build" -j"$(nproc)" >/dev/null
  stage fuzz ctest --test-dir "$fuzz_build" --output-on-failure -j2
fi
if [ -n "$side" ]; then
  echo "=== asan"
  wait "$side" || status=1
  side=
  cat "$logs/asan.log"
fi

# One closing line over every stage.
passed=0
failed=0
for log in "$logs"/*.log; do
  [ -e "$log" ] || continue
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1 || true)
  [ -n "$line" ] || continue
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
  passed=$((passed + t - f))
  failed=$((failed + f))
done
[ "$status" -eq 0 ] || [ "$failed" -gt 0 ] || failed=1
echo "$passed passed, $failed failed in $(( $(date +%s) - started )) s"
exit $status
