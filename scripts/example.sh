#!/usr/bin/env bash
# The main job, end to end: build if needed, record the given files and folders (or a small
# sample tree) on a virtual DVD+R with `scrivo write`, and show the disc and what is on it.
# SCRIVO_DISC=FILE records on that virtual disc instead (a new session when it has some).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup-deps.sh
if [ ! -x build/native/bin/scrivo ] || [ ! -x build/native/bin/vrecorder ] ||
   [ -n "$(find src vrecorder -newer build/native/bin/scrivo -print -quit)" ]; then
  cmake --preset native >/dev/null
  cmake --build --preset native --target scrivo_cli vrecorder vrecorder_aspi >/dev/null
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

disc=${SCRIVO_DISC:-$root/build/example.disc}
if [ -z "${SCRIVO_DISC:-}" ]; then
  rm -f "$disc" "$disc.state"
fi
build/native/bin/scrivo write -d "virtual:$disc,media=dvd+r" --volume SCRIVO_EXAMPLE "${paths[@]}"
echo
echo "The disc $disc:"
build/native/bin/vrecorder show "$disc"
echo
echo "Files of its first session:"
bsdtar -tvf "$disc"  # reads the Joliet names and prints them as UTF-8
