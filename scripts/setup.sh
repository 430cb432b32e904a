#!/bin/sh
# Installs what the three builds and their tests need on Debian 12 (idempotent).
# 32-bit programs cannot run natively on these machines, so no i386 architecture and no wine32;
# the 32-bit core tests are static Linux programs (multilib) run under qemu-i386-static.
set -eu
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

PACKAGES="cmake ninja-build make python3 g++ clang libclang-rt-14-dev googletest libbenchmark-dev
 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
 wine wine64 fonts-wine xvfb xauth x11-apps imagemagick libvips-tools fonts-ipafont-gothic locales libimage-exiftool-perl libexiv2-dev zlib1g-dev liblz4-dev libzstd-dev
 nsis zip llvm clang-format-14 qemu-user-static gcc-multilib g++-multilib"

missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "setup: installing$missing"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
# Wine takes code page 932 only when this Linux locale exists.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
echo "setup: ok"
