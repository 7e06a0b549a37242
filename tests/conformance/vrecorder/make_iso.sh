#!/bin/sh
# Builds the conformance test's ISO image from a small generated tree: make_iso.sh TREE ISO
set -eu
tree=$1
iso=$2
rm -rf "$tree"
mkdir -p "$tree/docs/deeper"
printf 'hello from the virtual recorder\n' >"$tree/readme.txt"
i=0
while [ $i -lt 4000 ]; do printf 'line %05d of a file that spans many sectors\n' $i; i=$((i + 1)); done >"$tree/docs/long file name.txt"
head -c 300000 /dev/zero | tr '\0' 'x' >"$tree/docs/deeper/blob.bin"
genisoimage -quiet -J -R -V CONFORMANCE -o "$iso" "$tree"
