#!/usr/bin/env bash
# Sets up a fresh machine, checks the formatting, builds, starts the services
# the tests need (a private MariaDB and a private CUPS print queue), runs the
# whole test suite and stops the services again.
#
# First, before the build, every C++ file of koravel3/, tests/, bench/,
# tools/ and fuzz/ goes through clang-format --dry-run -Werror with the
# committed .clang-format: one file that is not formatted ends the run.
# Then the stages, in this order:
#   unit   the pure core's tests: no server, no display, a second
#   asan   the same tests built with AddressSanitizer and UBSan; it starts
#          here in the background and builds and runs beside the stages
#          after it, against services of its own on KORAVEL_ASAN_DB_HOST
#          (default 127.0.0.2), so that it shares no server, port or data
#          folder with them. It leaves out the fault tests, which mostly wait
#          for the server to stop and start again (the main stage runs them).
#          Its output goes to a log, printed once fuzz is over and it has ended.
#   main   every other test of the normal build
#   bench  the benchmark's small run (it starts its own database server)
#   fuzz   each libFuzzer target for KORAVEL_FUZZ_SECONDS (default 15)
# Every other stage's output shows as it comes.
# KORAVEL_TEST_STAGES picks stages (default "unit asan main bench fuzz").
# Extra arguments go to the main stage's ctest (e.g. -L db, -R login); with
# them only the unit stage (whole) and the main stage run, and the script
# says which of the picked stages it leaves out. KORAVEL_WERROR=ON makes
# compiler warnings errors (CI sets it).
#
# The closing line, "N passed, M failed in S s", counts the tests of every
# stage from ctest's JUnit files; the exit status is not zero when a test or
# a stage failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# shellcheck source=lib/rig.sh
. scripts/lib/rig.sh
build=${KORAVEL_BUILD_DIR:-$root/build}
asan_build=${KORAVEL_ASAN_BUILD_DIR:-$build-asan}
fuzz_build=${KORAVEL_FUZZ_BUILD_DIR:-$build-fuzz}
host=${KORAVEL_DB_HOST:-127.0.0.1}
asan_host=${KORAVEL_ASAN_DB_HOST:-127.0.0.2}
werror=${KORAVEL_WERROR:-OFF}
stages=${KORAVEL_TEST_STAGES:-unit asan main bench fuzz}
if [ $# -gt 0 ]; then
  kept=
  left=
  for s in $stages; do
    case $s in
      unit | main) kept+=" $s" ;;
      *) left+=" $s" ;;
    esac
  done
  stages=$kept
  [ -z "$left" ] || echo "test.sh: with ctest arguments ($*), left out:$left"
fi
has() { [[ " $stages " == *" $1 "* ]]; }
started=$(date +%s)

bash scripts/install-deps.sh

echo "=== format"
mapfile -t sources < <(find koravel3 tests bench tools fuzz -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
if ! clang-format --dry-run -Werror "${sources[@]}"; then
  echo "test.sh: files above are not formatted as .clang-format says (clang-format -i FILE...)" >&2
  exit 1
fi

KORAVEL_DB_HOST=$host bash scripts/build.sh -DKORAVEL_WERROR="$werror"

# One JUnit file per stage (ctest --output-junit), read by the closing count.
logs=$(mktemp -d)
side=
cleanup() {
  [ -z "$side" ] || kill "$side" 2>/dev/null || true
  rig_services stop "$host" --test || true
  rig_services stop "$asan_host" --test || true
}
trap 'cleanup; rm -rf "$logs"' EXIT

status=0
failed_stages=
stage() {
  local name=$1
  shift
  echo "=== $name"
  "$@" || { status=1; failed_stages+=" $name"; }
}

# The sanitizer build and its run, in the background: one core builds while
# the other runs the main stage, whose tests mostly wait on the server.
asan() {
  KORAVEL_BUILD_DIR=$asan_build KORAVEL_BUILD_TYPE=Debug KORAVEL_DB_HOST=$asan_host \
    bash scripts/build.sh -DKORAVEL_WERROR="$werror" -DKORAVEL_BUILD_TOOLS=OFF \
    -DKORAVEL_UPDATE_URL="https://$asan_host:8443/version.json" -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" ||
    return 1
  rig_services start "$asan_host" --test || return 1
  local result=0
  # Leaks inside the toolkit's and the client libraries' own singletons are
  # listed, with the reason, in the suppression file; nothing of ours is.
  env ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
    LSAN_OPTIONS=suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$asan_build" --output-on-failure --output-junit "$logs/asan.xml" \
    --timeout 1800 -j2 -LE 'bench|package|faults' ||
    result=1
  rig_services stop "$asan_host" --test || result=1
  return "$result"
}

main() {
  rig_services start "$host" --test || return 1
  local result=0
  ctest --test-dir "$build" --output-on-failure --output-junit "$logs/main.xml" \
    --timeout 900 -j2 -LE 'unit|bench' "$@" || result=1
  # The benchmark starts its own server on the same address.
  rig_services stop "$host" --test || result=1
  return "$result"
}

fuzz() {
  local launcher=()
  ! command -v ccache >/dev/null || launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S fuzz -B "$fuzz_build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
    -DKORAVEL_FUZZ_SECONDS="${KORAVEL_FUZZ_SECONDS:-15}" >/dev/null &&
    cmake --build "$fuzz_build" -j"$(nproc)" >/dev/null &&
    ctest --test-dir "$fuzz_build" --output-on-failure --output-junit "$logs/fuzz.xml" -j2
}

has unit && stage unit ctest --test-dir "$build" --output-on-failure \
  --output-junit "$logs/unit.xml" -j2 -L unit
if has asan; then
  (asan >"$logs/asan.log" 2>&1) &
  side=$!
fi
has main && stage main main "$@"
has bench && stage bench ctest --test-dir "$build" --output-on-failure \
  --output-junit "$logs/bench.xml" --timeout 900 -L bench
has fuzz && stage fuzz fuzz
if [ -n "$side" ]; then
  wait "$side" || { status=1; failed_stages+=" asan"; }
  side=
  echo "=== asan (ran in the background; its log)"
  cat "$logs/asan.log"
fi

# ctest counts a test it could not run (<skipped>) as failed, and so does
# this count.
counts=$(python3 - "$logs" <<'PY'
import glob, sys
import xml.etree.ElementTree as ET
passed = failed = 0
for path in sorted(glob.glob(sys.argv[1] + "/*.xml")):
    try:
        cases = list(ET.parse(path).iter("testcase"))
    except ET.ParseError as error:
        print(f"test.sh: {path}: {error}", file=sys.stderr)
        continue
    for case in cases:
        if any(case.find(tag) is not None for tag in ("failure", "error", "skipped")):
            failed += 1
        else:
            passed += 1
print(passed, failed)
PY
) || status=1
read -r passed failed <<<"${counts:-0 0}"
[ -z "$failed_stages" ] || echo "test.sh: failed stages:$failed_stages"
echo "$passed passed, $failed failed in $(($(date +%s) - started)) s"
exit $status
