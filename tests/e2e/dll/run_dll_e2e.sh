#!/bin/sh
# The DLL's end-to-end run: the test host under Wine on a virtual X server (the Wine
# prefix is the test's own), then the recorded disc read back by independent readers.
# Usage: run_dll_e2e.sh HOST_EXE WORK_FOLDER VERIFY_ISO
set -eu
host=$1 work=$2 verify=$3
here=$(dirname "$0")
export WINEDEBUG=-all
# The recorder answers at once, and the engine's waits ask it first: no time scale is
# needed, and none is set, so that a wait that sleeps for nothing shows.
# The virtual recorder beside the host is the ASPI library, not Wine's own; no Simple
# MAPI, so the support mail fails instead of starting a mail client.
export WINEDLLOVERRIDES="mscoree,mshtml=;wnaspi32=n;mapi32=d"
# The host sees itself on Windows XP, a version the start-up report names.
WINE_APP_VERSION=winxp sh "$here/../../../scripts/wine-xvfb.sh" 240 "$host"
# AddMode 0: the files of the list go into the root, and so do the files of its folder
# item (which ends with a backslash).
/usr/bin/python3 "$verify" "$work/record/disc.img" "$work"/record/src/*.txt "$work/record/src/Folder/"
# The sample host's disc: its two command-line items, the same way.
/usr/bin/python3 "$verify" "$work/record/host.img" "$work/record/src/readme.txt" "$work/record/src/Folder/"
# AddMode 2: the two plain files in \Backup\Today, and nothing else (no device names).
/usr/bin/python3 "$verify" "$work/record/dest.img" --dest /Backup/Today "$work/dest/a.txt" "$work/dest/b.txt"
