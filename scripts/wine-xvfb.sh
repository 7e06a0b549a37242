#!/bin/sh
# Runs a Windows program under Wine on a virtual X server of its own, within a time limit.
# Its windows are not handed to a window manager: there is none, and Wine would wait for
# one (about two seconds) on every window it hides. WINE_APP_VERSION, when set, is the
# Windows version the program is shown ("winxp").
# Usage: wine-xvfb.sh SECONDS PROGRAM [ARGUMENTS...]
set -eu
python3 "$(dirname "$0")/../tests/tools/needs.py" timeout xvfb-run wine || exit $?
limit=$1
shift
exec timeout "$limit" xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null
  if [ -n "${WINE_APP_VERSION:-}" ]; then
    wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$(basename "$1")" /v Version /d "$WINE_APP_VERSION" /f >/dev/null
  fi
  exec wine "$@"' sh "$@"
