#!/bin/sh
# Builds the TOLM installer of one architecture from a folder of deliverables.
# usage: make_installer.sh x64|x86 <deliverables folder> <version a.b.c.d> <output .exe>
set -eu
[ $# -eq 4 ] || { echo "usage: $0 x64|x86 <deliverables> <version> <output.exe>" >&2; exit 2; }
arch=$1 src=$2 version=$3 out=$4
here=$(cd "$(dirname "$0")/.." && pwd)
command -v makensis >/dev/null || { echo "make_installer: makensis is missing (make setup installs nsis)" >&2; exit 1; }
for f in TOLM.exe kelsys.dll daxread.dll dax2jpn.dll dax2enc.dll vopimg.dll; do
  [ -f "$src/$f" ] || { echo "make_installer: $src/$f is missing" >&2; exit 1; }
done
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
src=$(cd "$src" && pwd)
# -INPUTCHARSET: the script is UTF-8; -V2: warnings and errors only; -WX: a warning fails.
makensis -INPUTCHARSET UTF8 -V2 -WX -DARCH="$arch" -DVERSION="$version" -DSRCDIR="$src" \
  -DOUTFILE="$out" "$here/installer/tolm.nsi"
echo "make_installer: $out"
