#!/bin/sh
# The Windows ZIP holds what a host author needs, and Scrivo.lib offers the decorated
# stdcall name a C compiler asks for while importing the plain name the DLL exports.
# Usage: check_zip.sh BUILD_DIR NM
set -eu
build=$1 nm=$2
python3 "$(dirname "$0")/../tools/needs.py" cpack || exit $?
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cd "$build"
cpack -G ZIP -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
zip=$(ls "$out"/*.zip)
mkdir "$out/x"
(cd "$out/x" && python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall()' "$zip")
root=$(ls -d "$out"/x/*)
for f in bin/Scrivo.dll bin/ScrivoHost.exe include/scrivo.h lib/libScrivo.dll.a lib/Scrivo.lib \
         examples/host/host.c README.txt; do
  [ -f "$root/$f" ] || { echo "missing from the ZIP: $f"; ls -R "$root"; exit 1; }
done
"$nm" "$root/lib/Scrivo.lib" | grep -q ' T _WriteFilesToCD@36$' || { echo "Scrivo.lib lacks _WriteFilesToCD@36"; exit 1; }
"$nm" "$root/lib/Scrivo.lib" | grep -q '__imp__WriteFilesToCD@36$' || { echo "Scrivo.lib lacks its import"; exit 1; }
echo "ZIP ok: $(basename "$zip")"
