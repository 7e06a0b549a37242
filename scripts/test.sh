#!/usr/bin/env bash
# Builds every preset and runs every test: natively under ctest, the Windows build's
# test binaries under Wine. Ends with one line "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup-deps.sh || { echo "dependency set-up failed"; echo "0 passed, 1 failed"; exit 1; }

export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/scrivo-ccache}
# Hits across clones in other folders (CI builds a fresh clone each time).
export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=true
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-$HOME/.cache/scrivo-wine}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
[ "${CI:-}" = "true" ] && werror=ON || werror=${SCRIVO_WERROR:-OFF}

passed=0
failed=0
skipped=0
log=$root/build/test-logs
mkdir -p "$log"

# failure_output LOG: the end of what each failed test printed, so that a run whose log
# files are gone (a CI clone) still shows why.
failure_output() {
  awk '
    function flush() { if (name != "") { print "--- output of " name " (last lines):"; s = n > 40 ? n - 40 : 0; for (i = s + 1; i <= n; i++) print buf[i]; } name = ""; n = 0 }
    /^ *[0-9]+\/[0-9]+ Test +#[0-9]+: / { flush(); if ($0 ~ /\*\*\*|Failed|Timeout/ && $0 !~ /Passed/) name = $4; next }
    /^ *Start +[0-9]+: / { flush(); next }
    /tests passed, / { flush(); next }
    name != "" { buf[++n] = $0 }
    END { flush() }
  ' "$1"
}

# run_preset NAME [ctest args...]: configure, build and test one preset.
run_preset() {
  local preset=$1; shift
  echo "=== $preset: build"
  if ! cmake --preset "$preset" -DSCRIVO_WERROR=$werror >"$log/$preset-configure.txt" 2>&1; then
    tail -n 40 "$log/$preset-configure.txt"; failed=$((failed + 1)); return
  fi
  if ! cmake --build --preset "$preset" >"$log/$preset-build.txt" 2>&1; then
    grep -E 'error|Error' "$log/$preset-build.txt" | head -n 40; failed=$((failed + 1)); return
  fi
  echo "=== $preset: test"
  (cd "build/$preset" && ctest --output-on-failure --timeout 600 -j2 "$@") >"$log/$preset-ctest.txt" 2>&1
  grep -E 'tests passed|\*\*\*|^\s+[0-9]+ - ' "$log/$preset-ctest.txt" | tail -n 30
  failure_output "$log/$preset-ctest.txt"
  local line total nfail
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log/$preset-ctest.txt" | tail -n 1)
  if [ -z "$line" ]; then
    if grep -q 'No tests were found' "$log/$preset-ctest.txt"; then return; fi
    tail -n 40 "$log/$preset-ctest.txt"; failed=$((failed + 1)); return
  fi
  nfail=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  # A test whose tool is missing reports itself skipped: neither passed nor failed.
  nskip=$(grep -cE '^\s+[0-9]+ - .* \(Skipped\)$' "$log/$preset-ctest.txt")
  passed=$((passed + total - nfail - nskip))
  failed=$((failed + nfail))
  skipped=$((skipped + nskip))
}

run_preset native
# Every test again under AddressSanitizer and UndefinedBehaviorSanitizer (a finding fails
# the test), and the tests that exercise threads under ThreadSanitizer.
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 run_preset asan
run_preset tsan -L threads
# One Wine server for the whole Windows run, kept alive between tests: otherwise a test's
# Wine may reach the server of the previous one just as it shuts down ("recvmsg: Connection
# reset by peer"). A new prefix is made first, once, so that no two tests make it at once.
# Wine's own services are started here too, away from ctest: started by a test they would
# hold its output pipe open, and ctest would wait for them as long as the server lives.
if [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >"$log/wineboot.txt" 2>&1; then
  timeout 60 wineserver -w
  if wineserver -p; then
    trap 'wineserver -k 2>/dev/null' EXIT
    wine cmd /c exit </dev/null >/dev/null 2>&1
  fi
fi
run_preset win32

[ "$skipped" -eq 0 ] || echo "$skipped skipped (a tool they need is missing)"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
