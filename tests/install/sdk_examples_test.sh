#!/usr/bin/env bash
# The SDK as a customer gets it: assembled from the builds, its examples built with both MinGW
# compilers through its own Makefile and, once more, linked against its MSVC import libraries;
# the 64-bit programs run under Wine and their output is checked against independent
# computations (Python for the checksums and the BMP file, exiftool for the EXIF values,
# ImageMagick for the image size).
# usage: sdk_examples_test.sh <source folder> <win64 build folder> <work folder>
set -u
src=$1 build=$2 work=$3
build32=$(dirname "$build")/win32
status=0
checks=0
fail() { echo "FAILED: $*"; status=1; }
pass() { checks=$((checks + 1)); }
check() { # <description> <command...>: the command must succeed
  local what=$1; shift
  if "$@"; then pass; else fail "$what"; fi
}
winpath() { echo "Z:$1" | tr / '\\'; }

rm -rf "$work"
mkdir -p "$work"
sdk=$work/sdk
if [ -f "$build32/CMakeCache.txt" ] && ls "$src"/out/x86/kelsys.dll >/dev/null 2>&1; then
  arches="x64 x86"
  "$src/scripts/make_sdk.sh" "$build" "$build32" "$sdk" >/dev/null || { echo "FAILED: make_sdk.sh"; exit 1; }
else
  arches="x64"
  echo "SKIP: 32-bit SDK part: no 32-bit build at $build32 (make build-win32 makes it)"
  "$src/scripts/make_sdk.sh" "$build" - "$sdk" >/dev/null || { echo "FAILED: make_sdk.sh"; exit 1; }
fi

# ---- the SDK's import libraries cover every export, under the names callers use --------------
for arch in $arches; do
  for lib in kelsys daxread vopimg; do
    names=$(awk 'f && NF && $1 !~ /^;/ {print $1} toupper($1) == "EXPORTS" {f = 1}' "$sdk/def/$lib.def")
    check "$arch $lib: headers, MinGW and MSVC import libraries and DLL present" \
      test -f "$sdk/include/$lib.h" -a -f "$sdk/lib/$arch/lib$lib.dll.a" -a -f "$sdk/lib/$arch/$lib.lib" -a -f "$sdk/bin/$arch/$lib.dll"
    symbols=$(llvm-nm "$sdk/lib/$arch/$lib.lib" 2>/dev/null)
    missing=""
    for name in $names; do
      if [ "$arch" = x64 ]; then
        grep -q " __imp_$name$" <<<"$symbols" || missing="$missing $name"
      else
        # stdcall: _name@bytes, the decoration a 32-bit compiler gives the call.
        grep -q " __imp__$name@[0-9]*$" <<<"$symbols" || missing="$missing $name"
      fi
    done
    if [ -z "$missing" ]; then pass; else fail "$arch $lib.lib lacks:$missing"; fi
  done
done

# ---- build the examples: the SDK's Makefile (MinGW libraries), then the MSVC libraries -------
for arch in $arches; do
  if [ "$arch" = x64 ]; then cc=x86_64-w64-mingw32-gcc; else cc=i686-w64-mingw32-gcc; fi
  out=$work/$arch
  if make -s -C "$sdk/examples" ARCH="$arch" SDK="$sdk" OUT="$out/mingw" >"$work/make-$arch.log" 2>&1; then
    pass
  else
    cat "$work/make-$arch.log"; fail "$arch: the examples do not build with the SDK's Makefile"
  fi
  mkdir -p "$out/msvc"
  cp "$sdk/bin/$arch/"*.dll "$out/msvc/"
  for lib in kelsys daxread vopimg; do
    exe=$out/msvc/${lib}_example.exe
    if $cc -std=c11 -O2 -Wall -Wextra -Werror -I"$sdk/include" -o "$exe" "$sdk/examples/${lib}_example.c" \
         "$sdk/lib/$arch/$lib.lib" 2>"$work/cc.log"; then
      pass
      # The program must import the plain export names from the DLL, whichever library it used.
      imports=$(x86_64-w64-mingw32-objdump -p "$exe" | awk -v dll="$lib.dll" '/DLL Name:/ {f = ($3 == dll)} f && /^\t[0-9a-f]+[ \t]+[0-9]+[ \t]+[A-Za-z_]/ {print $NF}')
      if [ -n "$imports" ] && ! grep -q '@' <<<"$imports"; then pass; else fail "$arch ${lib}_example (MSVC library) imports: $imports"; fi
      mingw_imports=$(x86_64-w64-mingw32-objdump -p "$out/mingw/${lib}_example.exe" | awk -v dll="$lib.dll" '/DLL Name:/ {f = ($3 == dll)} f && /^\t[0-9a-f]+[ \t]+[0-9]+[ \t]+[A-Za-z_]/ {print $NF}')
      if [ "$(sort <<<"$imports")" = "$(sort <<<"$mingw_imports")" ]; then pass; else fail "$arch ${lib}_example imports differ between the MinGW and the MSVC library"; fi
    else
      cat "$work/cc.log"; fail "$arch ${lib}_example does not link against $lib.lib"
    fi
  done
done
if [ "$arches" = x64 ]; then echo "SKIP: 32-bit examples: not built (no 32-bit build)"; fi
echo "note: the 32-bit examples are built and linked only: 32-bit programs cannot run on this machine"

# ---- run the 64-bit examples under Wine ----------------------------------------------------
run() { # <folder> <program> <arguments...>: its output without carriage returns
  local dir=$1 prog=$2; shift 2
  (cd "$dir" && "$src/scripts/wine-run" "$(winpath "$dir/$prog")" "$@" 2>&1 | tr -d '\r')
}
crc() { # <bzip2|genibus> <text>: the checksum, computed bit by bit from its definition
  python3 - "$1" "$2" <<'EOF'
import sys
kind, data = sys.argv[1], sys.argv[2].encode()
width, poly, init = (32, 0x04C11DB7, 0xFFFFFFFF) if kind == "bzip2" else (16, 0x1021, 0xFFFF)
top, mask = 1 << (width - 1), (1 << width) - 1
reg = init
for byte in data:
    reg ^= byte << (width - 8)
    for _ in range(8):
        reg = ((reg << 1) ^ poly) if reg & top else (reg << 1)
        reg &= mask
print(f"{reg ^ mask:0{width // 4}X}")
EOF
}

for variant in mingw msvc; do
  dir=$work/x64/$variant
  [ -f "$dir/kelsys_example.exe" ] || { fail "x64 $variant: no programs to run"; continue; }

  # kelsys: checksums of the standard check text and of another text, LZSS, 64-bit product.
  got=$(run "$dir" kelsys_example.exe)
  echo "$got" | sed "s/^/  x64 $variant kelsys_example: /"
  check "kelsys CRC-32 of 123456789 is the check value FC891918" grep -qx "crc32 FC891918" <<<"$got"
  check "kelsys CRC-16 of 123456789 is the check value D64E" grep -qx "crc16 D64E" <<<"$got"
  text="n.orbit TOLM SDK 1.0"
  got=$(run "$dir" kelsys_example.exe "$text")
  check "kelsys CRC-32 of '$text'" grep -qx "crc32 $(crc bzip2 "$text")" <<<"$got"
  check "kelsys CRC-16 of '$text'" grep -qx "crc16 $(crc genibus "$text")" <<<"$got"
  lz=$(grep '^lzss ' <<<"$got")
  check "kelsys LZSS round trip shrinks and restores 64 copies of the text ($lz)" \
    awk -v n=$((64 * ${#text})) '$2 == n && $4 < n && $NF == "ok" {ok = 1} END {exit !ok}' <<<"$lz"
  check "kelsys 64-bit product 5000000000 * -3" grep -qx "int64 -15000000000" <<<"$got"

  # daxread: the entries of the sample against exiftool.
  got=$(run "$dir" daxread_example.exe "$(winpath "$src/samples/sample.jpg")")
  echo "$got" | sed "s/^/  x64 $variant daxread_example: /" | head -n 5
  for tag in Make:0x010F Model:0x0110 ImageDescription:0x010E LensModel:0xA434; do
    name=${tag%%:*} number=${tag##*:}
    expected=$(exiftool -s3 -$name "$src/samples/sample.jpg")
    check "daxread $name is '$expected' as exiftool reads it" grep -q "^[0-9]* $number [^:]*: $expected\$" <<<"$got"
  done
  entries=$(grep -c '^[0-9]* 0x[0-9A-F]\{4\} ' <<<"$got")
  check "daxread lists as many entries as it reports ($entries)" grep -qx "entries $entries of $entries" <<<"$got"
  for group in 0 1 34665 34853; do
    check "daxread lists entries of group $group" grep -q "^$group 0x" <<<"$got"
  done
  # A compressed thumbnail comes as a block of 65535 bytes plus its stream, the stream first.
  kind=$(exiftool -s3 -n -IFD1:Compression "$src/samples/sample.jpg")
  length=$(exiftool -s3 -ThumbnailLength "$src/samples/sample.jpg")
  check "daxread thumbnail of kind $kind in a block of 65535 + $length bytes" \
    grep -qx "thumbnail kind $kind, $((65535 + length)) bytes" <<<"$got"
  head8=$(exiftool -b -ThumbnailImage "$src/samples/sample.jpg" | head -c 8 | od -An -tx1 | tr a-f A-F | tr -s ' ')
  check "daxread thumbnail starts with the stream exiftool extracts ($head8)" grep -qx "thumbnail starts$head8" <<<"$got"

  # vopimg: half-size copy saved as BMP; the file is read here byte by byte.
  bmp=$work/x64/$variant-half.bmp
  got=$(run "$dir" vopimg_example.exe "$(winpath "$src/samples/sample.jpg")" "$(winpath "$bmp")")
  echo "$got" | sed "s/^/  x64 $variant vopimg_example: /"
  read -r w h < <(identify -format '%w %h' "$src/samples/sample.jpg")
  check "vopimg loads the sample at its size ${w}x$h" grep -q "^loaded ${w}x$h, 24 bits$" <<<"$got"
  check "vopimg copy is half the size" grep -q "^copy $((w / 2))x$((h / 2)), centre [0-9A-F]\{6\}$" <<<"$got"
  centre=$(sed -n 's/^copy .*, centre \([0-9A-F]*\)$/\1/p' <<<"$got")
  filecheck=$(python3 - "$bmp" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
assert data[:2] == b"BM", "not a BMP file"
offset, = struct.unpack_from("<I", data, 10)
width, height, planes, bits = struct.unpack_from("<iiHH", data, 18)
assert bits == 24, f"{bits} bits"
stride = (width * 3 + 3) // 4 * 4
x, y = width // 2, abs(height) // 2
row = abs(height) - 1 - y if height > 0 else y
b, g, r = data[offset + row * stride + x * 3: offset + row * stride + x * 3 + 3]
print(f"{width}x{abs(height)} {b:02X}{g:02X}{r:02X}")
EOF
)
  check "vopimg wrote a 24-bit BMP file of the copy's size whose centre pixel is $centre (file: $filecheck)" \
    test "$filecheck" = "$((w / 2))x$((h / 2)) $centre"
  check "vopimg reads its BMP file back with the same size and centre" \
    grep -q "^saved .* $((w / 2))x$((h / 2)), centre $centre$" <<<"$got"
done

echo "sdk examples: $checks checks passed, status $status"
exit $status
