#!/usr/bin/env bash
# The main job, end to end: build if needed, turn the given files and folders (or a small
# sample tree) into an ISO 9660/Joliet image with `scrivo image`, and list what is on it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup-deps.sh
if [ ! -x build/native/bin/scrivo ] || [ -n "$(find src -newer build/native/bin/scrivo -print -quit)" ]; then
  cmake --preset native >/dev/null
  cmake --build --preset native --target scrivo_cli >/dev/null
fi

paths=("$@")
if [ ${#paths[@]} -eq 0 ]; then
  sample=$root/build/example-files
  rm -rf "$sample" && mkdir -p "$sample/Photos 2026" "$sample/Notes"
  echo "Scrivo wrote this file." >"$sample/Read me first.txt"
  printf 'Día de campo — ünïcødé names survive in the Joliet tree.\n' >"$sample/Notes/Ñandú.txt"
  head -c 3000000 /dev/urandom >"$sample/Photos 2026/holiday.raw"
  paths=("$sample/")
fi

out=$root/build/example.iso
build/native/bin/scrivo image -o "$out" --volume SCRIVO_EXAMPLE "${paths[@]}"
echo
echo "Joliet tree of $out:"
isoinfo -J -f -i "$out"
