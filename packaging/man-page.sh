#!/bin/sh
# A man page from a command's own --help (help2man), with each subcommand's usage in a
# section of its own. Usage: man-page.sh HELP2MAN PROGRAM NAME VERSION OUT.gz [SUBCOMMAND...]
set -eu
help2man=$1 program=$2 name=$3 version=$4 out=$5
shift 5
include=$(mktemp)
trap 'rm -f "$include"' EXIT
if [ $# -gt 0 ]; then
  echo "[COMMANDS]" >"$include"
  for c in "$@"; do
    printf '.TP\n.B %s\n' "$c" >>"$include"
    "$program" "$c" --help 2>&1 | sed 's/^usage: //; s/\\/\\\\/g; s/^\./\\\&./' >>"$include"
  done
else
  printf '[SEE ALSO]\nscrivo(1)\n' >"$include"
fi
"$help2man" --no-info --no-discard-stderr --version-string="$version" --name="$name" \
  --include="$include" --output="${out%.gz}" "$program"
gzip -9nf "${out%.gz}"
