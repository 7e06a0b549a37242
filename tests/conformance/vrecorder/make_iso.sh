#!/bin/sh
# Builds the conformance test's ISO images from small generated trees:
#   make_iso.sh WORKDIR
# WORKDIR/conformance.iso from WORKDIR/tree, and WORKDIR/session2.iso from WORKDIR/tree2,
# made for the CD's second session: it starts after the first one's 2 run-out blocks and the
# 11,400 blocks of lead-out, lead-in and pregap (the start goes to WORKDIR/session2.start).
set -eu
work=$1
tree=$work/tree
tree2=$work/tree2
rm -rf "$tree" "$tree2"
mkdir -p "$tree/docs/deeper" "$tree2"
printf 'hello from the virtual recorder\n' >"$tree/readme.txt"
i=0
while [ $i -lt 4000 ]; do printf 'line %05d of a file that spans many sectors\n' $i; i=$((i + 1)); done >"$tree/docs/long file name.txt"
head -c 300000 /dev/zero | tr '\0' 'x' >"$tree/docs/deeper/blob.bin"
genisoimage -quiet -J -R -V CONFORMANCE -o "$work/conformance.iso" "$tree"

size=$(wc -c <"$work/conformance.iso")
start=$(( (size + 2047) / 2048 + 2 + 11400 ))
printf 'the second session\n' >"$tree2/second session.txt"
head -c 70000 /dev/zero | tr '\0' 'y' >"$tree2/more.bin"
# No earlier session is merged: the second session stands on its own.
genisoimage -quiet -J -R -V SESSION2 -C 0,$start -o "$work/session2.iso" "$tree2" 2>/dev/null
echo $start >"$work/session2.start"
