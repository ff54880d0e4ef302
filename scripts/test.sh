#!/usr/bin/env bash
# Sets up a fresh machine, builds, starts the services the tests need (a
# private MariaDB and a private CUPS print queue), runs the whole test suite
# and stops the services again. The suite runs in stages:
#   main   every test of the normal build
#   asan   the same tests built with AddressSanitizer and UBSan
#   bench  the benchmark's small run (it starts its own database server)
#   fuzz   each libFuzzer target for KORAVEL_FUZZ_SECONDS (default 60)
# KORAVEL_TEST_STAGES picks stages (default "main asan bench fuzz"). Extra
# arguments go to ctest (e.g. -L db, -R login); with them the fuzz stage is
# left out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${KORAVEL_BUILD_DIR:-$root/build}
asan_build=${KORAVEL_ASAN_BUILD_DIR:-$build-asan}
fuzz_build=${KORAVEL_FUZZ_BUILD_DIR:-$build-fuzz}
stages=${KORAVEL_TEST_STAGES:-main asan bench fuzz}
[ $# -eq 0 ] || stages=${stages/fuzz/}
has() { [[ " $stages " == *" $1 "* ]]; }

bash scripts/install-deps.sh
bash scripts/build.sh
if has asan; then
  KORAVEL_BUILD_DIR=$asan_build KORAVEL_BUILD_TYPE=Debug bash scripts/build.sh \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
fi
if has fuzz; then
  cmake -S fuzz -B "$fuzz_build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
    -DKORAVEL_FUZZ_SECONDS="${KORAVEL_FUZZ_SECONDS:-60}" >/dev/null
  cmake --build "$fuzz_build" -j"$(nproc)"
fi

logs=$(mktemp -d)
# The suite's servers keep their data apart from the run command's
# (.rig/test/), so a test run never empties the demo database.
cleanup() {
  bash scripts/db.sh stop --test || true
  bash scripts/cups.sh stop --test || true
}
trap 'cleanup; rm -rf "$logs"' EXIT

status=0
stage() {
  local name=$1
  shift
  echo "=== $name"
  "$@" 2>&1 | tee "$logs/$name.log" || status=1
}

if has main || has asan; then
  bash scripts/db.sh start --test
  # The print tests read back what reaches the rig's own default printer.
  bash scripts/cups.sh start --test
  has main && stage main ctest --test-dir "$build" --output-on-failure --timeout 900 -LE bench "$@"
  if has asan; then
    # Leaks inside the toolkit's and the client libraries' own singletons are
    # listed, with the reason, in the suppression file; nothing of ours is.
    stage asan env ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
      LSAN_OPTIONS=suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0 \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --test-dir "$asan_build" --output-on-failure --timeout 1800 -LE 'bench|package' "$@"
  fi
  # The benchmark starts its own server on the same address.
  cleanup
fi
has bench && stage bench ctest --test-dir "$build" --output-on-failure --timeout 900 -L bench "$@"
has fuzz && stage fuzz ctest --test-dir "$fuzz_build" --output-on-failure

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
echo "$passed passed, $failed failed"
exit $status
