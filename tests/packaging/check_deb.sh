#!/bin/sh
# The Debian package installed with dpkg into a throwaway root (its own package
# database; the system is not touched), then its commands run from there: help, a
# virtual disc written and shown, the man pages and completion present.
# Usage: check_deb.sh BUILD_DIR
set -eu
build=$1
python3 "$(dirname "$0")/../tools/needs.py" cpack dpkg help2man || exit $?
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cd "$build"
cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/*.deb)
root=$out/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: >"$root/var/lib/dpkg/status"
# Dependencies are the system's business, not this root's.
dpkg --root="$root" --log=/dev/null --force-depends --force-not-root --force-bad-path -i "$deb" >"$out/dpkg.log" 2>&1 ||
  { cat "$out/dpkg.log"; exit 1; }
dpkg --root="$root" -s scrivo | grep -q '^Status: install ok installed' || { echo "not installed"; exit 1; }
for f in usr/share/man/man1/scrivo.1.gz usr/share/man/man1/vrecorder.1.gz \
         usr/share/bash-completion/completions/scrivo usr/lib/scrivo/libvrecorder_aspi.so; do
  [ -f "$root/$f" ] || { echo "missing from the package: $f"; exit 1; }
done
bin=$root/usr/bin
"$bin/scrivo" --help | grep -q 'write' || { echo "scrivo --help says nothing of write"; exit 1; }
"$bin/vrecorder" --help >/dev/null
# The example run: a file written to a new virtual CD-R, shown by the recorder's tool.
echo "from the package" >"$out/hello.txt"
"$bin/scrivo" write -d "virtual:$out/disc.img,media=cd-r" --volume PKG_TEST "$out/hello.txt" >"$out/write.log" 2>&1 ||
  { cat "$out/write.log"; exit 1; }
"$bin/vrecorder" show "$out/disc.img" >"$out/show.log" 2>&1 || { cat "$out/show.log"; exit 1; }
grep -q PKG_TEST "$out/disc.img" || { echo "the disc has no volume label"; exit 1; }
# Gone again as it came.
dpkg --root="$root" --log=/dev/null --force-not-root --force-bad-path -P scrivo >/dev/null 2>&1
[ ! -e "$bin/scrivo" ] || { echo "the package left its command behind"; exit 1; }
echo "DEB ok: $(basename "$deb")"
