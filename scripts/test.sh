#!/usr/bin/env bash
# Sets up a fresh machine, checks the formatting and the scripts, builds and
# runs the whole test suite; CTest's fixture starts the services the tests
# need (a private MariaDB and a private CUPS print queue, scripts/services.sh)
# and stops them again.
#
# First, before the build, every C++ file of koravel3/, tests/, bench/,
# tools/ and fuzz/ goes through clang-format --dry-run -Werror with the
# committed .clang-format, and every shell script through shellcheck (its
# warnings): one file that fails ends the run.
# Then the stages, in this order:
#   asan   the tests built with AddressSanitizer and UBSan (preset asan); it
#          starts in the background and builds and runs beside the stages
#          after it, against services of its own on KORAVEL_ASAN_DB_HOST
#          (default 127.0.0.2), so that it shares no server, port or data
#          folder with them. It leaves out the fault tests, which mostly wait
#          for the server to stop and start again (the suite runs them). Its
#          output goes to a log, printed once fuzz is over and it has ended.
#   suite  the workflow preset suite: the pure core's tests, every other
#          test of the normal build, and the benchmark's small run (which
#          starts its own database server)
#   fuzz   each libFuzzer target for KORAVEL_FUZZ_SECONDS (default 15): the
#          workflow preset fuzz of the fuzzers' own project (fuzz/)
# Every other stage's output shows as it comes.
# KORAVEL_TEST_STAGES picks stages (default "asan suite fuzz").
# Extra arguments go to the main test preset's ctest (e.g. -L db, -R login):
# the unit tests and those run, and nothing else. KORAVEL_WERROR=ON makes
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
host=${KORAVEL_DB_HOST:-127.0.0.1}
asan_host=${KORAVEL_ASAN_DB_HOST:-127.0.0.2}
werror=${KORAVEL_WERROR:-OFF}
stages=${KORAVEL_TEST_STAGES:-asan suite fuzz}
if [ $# -gt 0 ]; then
  echo "test.sh: with ctest arguments ($*), the unit tests and those only"
  stages=selected
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

echo "=== shellcheck"
mapfile -t scripts < <(find scripts bench tests -name '*.sh' | sort)
shellcheck -x -P SCRIPTDIR -S warning "${scripts[@]}" .ci/run

# The presets of CMakePresets.json: build/ for the program and its tests,
# build-asan/ for the sanitizer build. The cache keeps the address and the
# warnings setting for the workflow's own configure step.
KORAVEL_DB_HOST=$host bash scripts/build.sh -DKORAVEL_WERROR="$werror"

# The test presets write their JUnit files into their build folders, which
# the closing count reads.
logs=$(mktemp -d)
rm -f build/junit-*.xml build-asan/junit-*.xml build-fuzz/junit-*.xml
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
  KORAVEL_PRESET=asan KORAVEL_DB_HOST=$asan_host \
    bash scripts/build.sh -DKORAVEL_WERROR="$werror" \
    -DKORAVEL_UPDATE_URL="https://$asan_host:8443/version.json" || return 1
  # Leaks inside the toolkit's and the client libraries' own singletons are
  # listed, with the reason, in the suppression file (the preset names it);
  # nothing of ours is.
  ctest --preset asan
}

# The fuzzers' own project and workflow preset (fuzz/CMakePresets.json).
fuzz() {
  (cd fuzz && cmake --workflow --preset fuzz)
}

if has asan; then
  (asan >"$logs/asan.log" 2>&1) &
  side=$!
fi
has suite && stage suite cmake --workflow --preset suite
if has selected; then
  stage unit ctest --preset unit
  stage main ctest --preset main "$@"
fi
has fuzz && stage fuzz fuzz
if [ -n "$side" ]; then
  wait "$side" || { status=1; failed_stages+=" asan"; }
  side=
  echo "=== asan (ran in the background; its log)"
  cat "$logs/asan.log"
fi

# ctest counts a test it could not run (<skipped>) as failed, and so does
# this count.
counts=$(python3 - build build-asan build-fuzz <<'PY'
import glob, sys
import xml.etree.ElementTree as ET
passed = failed = 0
paths = []
for folder in sys.argv[1:]:
    paths += glob.glob(folder + "/junit-*.xml")
for path in sorted(paths):
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
