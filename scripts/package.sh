#!/bin/sh
# Fills dist/ with what ships: the two installers (made and tested by the Windows builds), a
# portable zip per architecture, the SDK zip and SHA256SUMS. All names carry the version of
# the builds (CMakeLists.txt's project version and TOLM_BUILD_NUMBER, through the generated
# tolm_version.h); the two builds must agree on it.
# usage: package.sh [build folder]     (after make build-win64 build-win32)
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
dist=$src/dist

version_of() {
  sed -n 's/^#define TOLM_VERSION_TEXT "\(.*\)"$/\1/p' "$1/generated/tolm_version.h"
}
version=$(version_of "$build/win64")
[ -n "$version" ] || { echo "package: no version in $build/win64/generated/tolm_version.h" >&2; exit 1; }
[ "$(version_of "$build/win32")" = "$version" ] || {
  echo "package: the 64-bit and 32-bit builds carry different versions; rebuild both" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
rm -rf "$dist"
mkdir -p "$dist"
# Archive members get the time of the last commit, so that the same sources give the same zips.
stamp=$(git -C "$src" log -1 --format=%cd --date=format:%Y%m%d%H%M.%S 2>/dev/null || date +%Y%m%d%H%M.%S)

for arch in x64 x86; do
  case $arch in x64) b=win64 ;; x86) b=win32 ;; esac
  setup=$build/$b/installer/TOLM-setup-$version-$arch.exe
  [ -f "$setup" ] || { echo "package: $setup is missing (make build-$b makes it)" >&2; exit 1; }
  cp "$setup" "$dist/"

  dir=$stage/TOLM-$version-$arch
  mkdir -p "$dir"
  for f in TOLM.exe kelsys.dll daxread.dll dax2jpn.dll dax2enc.dll vopimg.dll; do
    cp "$src/out/$arch/$f" "$dir/"
  done
  sed "s/@VERSION@/$version/g; s/@ARCH@/$arch/g" "$src/installer/portable-readme.txt" | sed "s/\$/\r/" > "$dir/README.txt"
  # The user guides, with those of their pictures that exist.
  mkdir -p "$dir/docs"
  cp "$src/docs/guide-ja.md" "$src/docs/guide-en.md" "$dir/docs/"
  for png in general-file general-image general-folder editor histogram exif version erase; do
    [ ! -f "$src/docs/$png.png" ] || cp "$src/docs/$png.png" "$dir/docs/"
  done
  find "$dir" -exec touch -t "$stamp" {} +
  (cd "$stage" && zip -X -q -r "$dist/TOLM-$version-$arch.zip" "TOLM-$version-$arch")
done

sdk=$stage/TOLM-sdk-$version
"$src/scripts/make_sdk.sh" "$build/win64" "$build/win32" "$sdk" >/dev/null
find "$sdk" -exec touch -t "$stamp" {} +
(cd "$stage" && find "TOLM-sdk-$version" -type f | LC_ALL=C sort | zip -X -q "$dist/TOLM-sdk-$version.zip" -@)

(cd "$dist" && sha256sum TOLM-* > SHA256SUMS)
echo "package: dist/"
(cd "$dist" && ls -l | tail -n +2)
