#!/usr/bin/env bash
# Makes the pictures in docs/ from the win64 build, under Xvfb: the property dialog on a plain
# file, on the sample photograph (General and EXIF tabs) and on a folder (Version tab), the date
# and attribute editor, the extended delete with an erase list filled in, the date tools on a
# folder of photographs and the history. Run by hand after `make build-win64`; it needs what `make setup` installs (Wine, Xvfb, ImageMagick,
# the Japanese font).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build/win64}
case $build in /*) ;; *) build=$root/$build ;; esac
driver=$build/bin/tolm_screenshot_driver.exe
[ -f "$driver" ] || { echo "screenshots: $driver is missing; run make build-win64 first" >&2; exit 1; }
export TOLM_WINEPREFIX=$build/wineprefix
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

# The program in a folder of its own, as installed; the image library's stand-in from the test
# build takes its place while the real one is not built.
program=$build/screens
rm -rf "$program"
mkdir -p "$program"
for f in TOLM.exe kelsys.dll daxread.dll dax2jpn.dll dax2enc.dll; do cp "$root/out/x64/$f" "$program/"; done
if [ -f "$root/out/x64/vopimg.dll" ]; then
  cp "$root/out/x64/vopimg.dll" "$program/"
else
  cp "$build/fakes/vopimg/vopimg.dll" "$program/"
fi

xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -eu
  root=$1 driver=$2 program=$3
  # A Wine session started without a display would serve this one too.
  WINEPREFIX="$TOLM_WINEPREFIX" wineserver -k 2>/dev/null || true
  "$root/scripts/wine-run" cmd /c exit >/dev/null 2>&1
  # Targets with Japanese names on drive C: of the prefix and fixed times, so that the
  # pictures show the same lines on every machine.
  folder=$TOLM_WINEPREFIX/drive_c/資料
  rm -rf "$folder"
  mkdir -p "$folder"
  head -c 1234567 /dev/zero > "$folder/報告書.txt"
  cp "$root/samples/sample.jpg" "$folder/写真.jpg"
  touch -d "2024-04-01 09:30:00" "$folder/報告書.txt" "$folder/写真.jpg" "$folder"
  shoot() { "$root/scripts/wine-run" "$driver" "$program" "$@"; }
  shoot f "C:\\資料\\報告書.txt" "$root/docs/general-file.png"
  shoot f "C:\\資料\\写真.jpg" "$root/docs/general-image.png"
  shoot d "C:\\資料" "$root/docs/general-folder.png"
  shoot f "C:\\資料\\報告書.txt" "$root/docs/editor.png" editor
  shoot f "C:\\資料\\写真.jpg" "$root/docs/exif.png" tab1
  shoot d "C:\\資料" "$root/docs/version.png" tab2
  printf "TOLM[Elimination]\r\nVer2.2\r\nThe list of files to erase.\r\nbegin->\r\n.tmp\r\n.bak\r\n<-end\r\n" > "$folder/一時ファイル.tlx"
  shoot e "C:\\資料" "$root/docs/erase.png" erase "C:\\資料\\一時ファイル.tlx"
  rm -rf "$folder"
  # The date tools on a folder tree of photographs, and the history after an apply; the
  # program keeps its logs in a temporary folder of its own here.
  photos=$TOLM_WINEPREFIX/drive_c/写真
  rm -rf "$photos" "$photos-tmp"
  mkdir -p "$photos/旅行" "$photos-tmp"
  cp "$root/tests/data/photos/Kodak_CX7530.jpg" "$photos/"
  cp "$root/tests/data/photos/Nikon_D70.jpg" "$root/tests/data/photos/Pentax_K10D.jpg" "$photos/旅行/"
  echo "memo" > "$photos/メモ.txt"
  touch -d "2024-04-01 09:30:00" "$photos"/*.* "$photos/旅行"/* "$photos/旅行" "$photos"
  shoot d "C:\\写真" "$root/docs/date-tools.png" datetools
  shoot d "C:\\写真" "$root/docs/history.png" history "C:\\写真-tmp"
  rm -rf "$photos" "$photos-tmp"
  WINEPREFIX="$TOLM_WINEPREFIX" wineserver -k
' bash "$root" "$driver" "$(winpath "$program")"
echo "screenshots: docs/general-file.png, docs/general-image.png, docs/general-folder.png, docs/editor.png," \
  "docs/exif.png, docs/version.png, docs/erase.png, docs/date-tools.png, docs/history.png"
