#!/bin/sh
# The DLL's end-to-end run: the test host under Wine on a virtual X server (the Wine
# prefix is the test's own), then the recorded disc read back by independent readers.
# Usage: run_dll_e2e.sh HOST_EXE WORK_FOLDER VERIFY_ISO
set -eu
host=$1 work=$2 verify=$3
export WINEDEBUG=-all
# The virtual recorder beside the host is the ASPI library, not Wine's own.
export WINEDLLOVERRIDES="mscoree,mshtml=;wnaspi32=n"
# The host sees itself on Windows XP, a version the start-up report names.
timeout 240 xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$(basename "$1")" /v Version /d winxp /f >/dev/null &&
  wine "$1"' sh "$host"
# AddMode 0: the files of the list go into the root, its folder as a folder.
/usr/bin/python3 "$verify" "$work/record/disc.img" "$work"/record/src/*
