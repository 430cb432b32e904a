#!/usr/bin/env bash
# Runs every test suite (host, 32-bit cores under qemu, Windows under Wine, UI under Xvfb),
# prints each runner's summary, and fails when any suite fails. The i686 Windows build is
# checked by `make build`.
set -u
# A UBSan trap in the 32-bit suite makes qemu dump core; the test's failure is the report.
ulimit -c 0
build=${1:-build}
jobs=$(nproc)
status=0
passed=0
failed=0

suite() {
  local name=$1; shift
  echo "== $name =="
  local log
  log=$(mktemp)
  "$@" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  local line
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  if [ -n "$line" ]; then
    local total fail
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    fail=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$line")
    passed=$((passed + total - fail))
    failed=$((failed + fail))
  elif [ "$rc" -ne 0 ]; then
    failed=$((failed + 1))
  fi
  [ "$rc" -eq 0 ] || { echo "$name: FAILED"; status=1; }
  rm -f "$log"
}

suite "layout (.clang-format)" scripts/format.sh --check
suite "host tests (ASan, UBSan)" ctest --test-dir "$build/host" --output-on-failure -j "$jobs"
suite "32-bit core tests under qemu (UBSan)" ctest --test-dir "$build/host32" --output-on-failure -j "$jobs"
suite "Windows x64 tests under Wine" ctest --test-dir "$build/win64" --output-on-failure -LE ui -j "$jobs"
# The UI programs must not join a Wine session that was started without a display.
WINEPREFIX="$PWD/$build/win64/wineprefix" wineserver -k 2>/dev/null
# Screen-driven tests race with a busy machine now and then: each gets one more try, and the
# output shows every try.
suite "UI tests under Xvfb" xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir "$build/win64" --output-on-failure -L ui --repeat until-pass:2
echo "all suites: $passed passed, $failed failed"
exit $status
