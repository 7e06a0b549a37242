#!/usr/bin/env bash
# Builds the import's fuzzing target with clang (libFuzzer, AddressSanitizer, UBSan) and runs
# it for SECONDS over a seed corpus made now (images of `scrivo image`, genisoimage and
# xorriso, and the hand-made hostile discs) and the inputs that once failed
# (tests/fuzz/import-corpus, where a new finding's input belongs once it is fixed).
# Usage: run_import_fuzz.sh BUILD_DIR SECONDS [extra libFuzzer options]
# Exit: 0 nothing found, 1 a finding (or a build failure), 77 clang missing (not under CI).
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
out=$build/fuzz-import
mkdir -p "$out/obj" "$out/seeds" "$out/work" "$out/artifacts"

CXX=$(command -v clang++ || true)
probe='extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }'
if [ -z "$CXX" ] || ! echo "$probe" | "$CXX" -x c++ -fsanitize=fuzzer -o "$out/probe" - 2>/dev/null; then
    if [ "${CI:-}" = "true" ]; then
        echo "clang++ with libFuzzer is missing (scripts/setup-deps.sh installs it)" >&2
        exit 1
    fi
    echo "clang++ with libFuzzer is missing: skipped" >&2
    exit 77
fi
launcher=$(command -v ccache || true)

# The image layer and the platform functions it uses, as the native build compiles them.
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=undefined -I"$src/src")
sources=("$src"/src/image/*.cpp "$src"/src/platform/*.cpp "$src"/src/platform/posix/*.cpp "$here/import_fuzz.cpp")
compile() {
    local s=$1 o
    o="$out/obj/$(echo "${s#"$src"/}" | tr / _).o"
    $launcher "$CXX" "${flags[@]}" -c "$s" -o "$o"
}
export -f compile
export CXX launcher src out
export FLAGS="${flags[*]}"
printf '%s\n' "${sources[@]}" | xargs -P 2 -I{} bash -c 'flags=($FLAGS); compile "$1"' _ {}
"$CXX" "${flags[@]}" "$out"/obj/*.o -lpthread -ldl -o "$out/import_fuzz"

# Seeds: small sessions of several makers, and the hand-made hostile discs.
tree=$out/tree
rm -rf "$tree" && mkdir -p "$tree/Deep/er/and/deeper/still/more/levels/than/eight/here" "$tree/Mixed Case"
printf 'one' >"$tree/README" && printf 'two' >"$tree/readme.txt"
printf 'deep' >"$tree/Deep/er/and/deeper/still/more/levels/than/eight/here/f.txt"
printf 'long' >"$tree/Mixed Case/$(printf 'n%.0s' $(seq 1 150)).txt"
ln -sf README "$tree/link"
scrivo=$build/bin/scrivo
[ -x "$scrivo" ] && "$scrivo" image -o "$out/seeds/scrivo.iso" "$tree/" >/dev/null
[ -x "$scrivo" ] && "$scrivo" image --no-rock --skip-unreadable -o "$out/seeds/scrivo-plain.iso" "$tree/" >/dev/null 2>&1
if command -v genisoimage >/dev/null; then
    genisoimage -quiet -R -J -o "$out/seeds/genisoimage-rj.iso" "$tree" 2>/dev/null || true
    genisoimage -quiet -o "$out/seeds/genisoimage-plain.iso" "$tree" 2>/dev/null || true
fi
if command -v xorriso >/dev/null; then
    xorriso -as mkisofs -quiet -R -J -o "$out/seeds/xorriso.iso" "$tree" 2>/dev/null || true
fi
python3 - "$out/seeds" "$src/tests/integration/image" <<'PY'
import os, sys
sys.path.insert(0, sys.argv[2])
import handmade_disc as h
for name, data in [("hang", h.hang(3, 20)), ("fan-out", h.fan_out(3, 10, 50)), ("huge", h.huge_directory()),
                   ("associated", h.associated()), ("dates", h.dates_and_names()), ("folders", h.many_folders(20))]:
    with open(os.path.join(sys.argv[1], name + ".iso"), "wb") as f:
        f.write(data)
PY

corpora=("$out/work" "$out/seeds")
[ -d "$here/import-corpus" ] && corpora+=("$here/import-corpus")
status=0
"$out/import_fuzz" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=512 -max_len=262144 -print_final_stats=1 \
    -artifact_prefix="$out/artifacts/" "$@" "${corpora[@]}" || status=$?
if [ "$status" -ne 0 ]; then
    echo "the import fuzzer found an input that fails: see $out/artifacts; once fixed, keep it in $here/import-corpus" >&2
    exit 1
fi
