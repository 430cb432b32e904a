#!/bin/sh
# Assembles the TOLM SDK folder: headers, import libraries for MinGW (lib<name>.dll.a, made by
# the build) and for MSVC (<name>.lib, made here from the .def files) of both architectures,
# the DLLs, the examples and the API reference.
# usage: make_sdk.sh <win64 build> <win32 build, or - for none> <output folder>
set -eu
[ $# -eq 3 ] || { echo "usage: $0 <win64 build> <win32 build|-> <output folder>" >&2; exit 2; }
src=$(cd "$(dirname "$0")/.." && pwd)
b64=$1 b32=$2 out=$3
LIBS="kelsys daxread vopimg"

# The export list of each library as the source states it (32-bit: as the build decorated it).
plain_def() {
  case $1 in
    kelsys) echo "$src/util/win/kelsys.def" ;;
    daxread) echo "$src/exif/win/daxread.def" ;;
    vopimg) echo "$src/image/win/vopimg.def" ;;
  esac
}

rm -rf "$out"
mkdir -p "$out/include" "$out/examples" "$out/docs" "$out/def"
cp "$src"/include/kelsys.h "$src"/include/daxread.h "$src"/include/vopimg.h "$out/include/"
cp "$src/sdk/README.md" "$out/"
cp "$src"/sdk/examples/*.c "$src/sdk/examples/Makefile" "$out/examples/"
cp "$src"/docs/api-kelsys.md "$src"/docs/api-daxread.md "$src"/docs/api-vopimg.md "$out/docs/"
for lib in $LIBS; do cp "$(plain_def $lib)" "$out/def/"; done

add_arch() { # <arch> <build folder> <deliverables folder>
  arch=$1 build=$2 dlls=$3
  mkdir -p "$out/lib/$arch" "$out/bin/$arch"
  for lib in $LIBS; do
    cp "$build/lib/lib$lib.dll.a" "$out/lib/$arch/"
    if [ "$arch" = x64 ]; then
      llvm-dlltool -m i386:x86-64 -d "$(plain_def $lib)" -l "$out/lib/$arch/$lib.lib"
    else
      # 32-bit callers reference the stdcall names (_kelGetFileSize@4); -k maps them onto the
      # plain names the DLL exports.
      def=$(find "$build" -name "$lib-i686.def" | head -n 1)
      [ -n "$def" ] || { echo "make_sdk: no $lib-i686.def in $build" >&2; exit 1; }
      llvm-dlltool -m i386 -k -d "$def" -l "$out/lib/$arch/$lib.lib"
    fi
    cp "$dlls/$lib.dll" "$out/bin/$arch/"
  done
  cp "$dlls/dax2jpn.dll" "$dlls/dax2enc.dll" "$out/bin/$arch/"
}

add_arch x64 "$b64" "$src/out/x64"
if [ "$b32" != - ]; then
  add_arch x86 "$b32" "$src/out/x86"
fi
echo "make_sdk: $out"
