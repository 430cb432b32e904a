#!/usr/bin/env bash
# Builds the benchmarks (Release host build in build/bench), assembles the corpus in
# build/bench-corpus from files every Debian machine has, and prints one side-by-side table.
# BENCH_REPS sets the repetitions per measurement (default 5; the LZSS compressors use half).
# BENCH_ONLY picks benchmarks by name, comma-separated: kel, exif, vop, engine (vopimg.dll under
# Wine), or vop:SECTION (copy, tone,
# decolor, filter, rotate, analysis) for one part of the image benchmark.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
corpus="$root/build/bench-corpus"
size=$((10 * 1024 * 1024))
export LC_ALL=C
only=${BENCH_ONLY:-kel,exif,vop,engine}

# True when BENCH_ONLY names the benchmark $1 (alone or with a section).
want() {
  case ",$only," in *",$1,"* | *",$1:"*) return 0 ;; *) return 1 ;; esac
}

cmake -S "$root/bench" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" >/dev/null

# Concatenates the files named on stdin, in the order given, into $1 until it holds $size bytes.
fill() {
  local out=$1 f
  : >"$out.part"
  while IFS= read -r f; do
    [ "$(stat -c %s "$out.part")" -ge "$size" ] && break
    "${reader[@]}" "$f" >>"$out.part" 2>/dev/null || true
  done
  head -c "$size" "$out.part" >"$out"
  rm -f "$out.part"
}

mkdir -p "$corpus"
if want kel; then
  if [ ! -s "$corpus/text.bin" ]; then
    echo "bench: text corpus (licences, then manual pages unpacked)"
    reader=(zcat -f)
    { find /usr/share/common-licenses -type f | sort; find /usr/share/man -type f -name '*.gz' | sort; } | fill "$corpus/text.bin"
  fi
  if [ ! -s "$corpus/binary.bin" ]; then
    echo "bench: binary corpus (programs under /usr/bin)"
    reader=(cat)
    find /usr/bin -maxdepth 1 -type f -size +16k | sort | while IFS= read -r f; do
      [ "$(head -c 4 "$f" | od -An -tx1 | tr -d ' ')" = 7f454c46 ] && echo "$f"
    done | fill "$corpus/binary.bin"
  fi
  if [ ! -s "$corpus/image.bin" ]; then
    echo "bench: image corpus (uncompressed BMPs from ImageMagick's built-in pictures)"
    tmp="$corpus/bmp"
    mkdir -p "$tmp"
    convert wizard: -resize 1200x1400! -type TrueColor "BMP3:$tmp/1-wizard.bmp"
    convert logo: -resize 1280x960! -type TrueColor "BMP3:$tmp/2-logo.bmp"
    convert rose: -resize 1000x800! -type TrueColor "BMP3:$tmp/3-rose.bmp"
    convert granite: -resize 600x600! -type TrueColor "BMP3:$tmp/4-granite.bmp"
    reader=(cat)
    find "$tmp" -name '*.bmp' | sort | fill "$corpus/image.bin"
  fi
fi

# The image benchmark's picture: 6000 x 4000 with millions of colours, as PPM for the core, as
# ImageMagick's memory-mapped pixel cache (MPC) and as libvips' native file, so that neither peer
# spends its time in a codec.
images="$corpus/vop"
if want vop; then
  mkdir -p "$images"
  if [ ! -s "$images/plasma.ppm" ]; then
    echo "bench: image benchmark picture (plasma fractal, 6000 x 4000; takes about half a minute)"
    convert -seed 1 -size 6000x4000 plasma:fractal -depth 8 "$images/plasma.part.ppm"
    mv "$images/plasma.part.ppm" "$images/plasma.ppm"
  fi
  [ -s "$images/plasma.cache" ] && [ "$images/plasma.cache" -nt "$images/plasma.ppm" ] ||
    convert "$images/plasma.ppm" "$images/plasma.mpc"
  if command -v vips >/dev/null 2>&1; then
    [ -s "$images/plasma.v" ] && [ "$images/plasma.v" -nt "$images/plasma.ppm" ] ||
      vips copy "$images/plasma.ppm" "$images/plasma.v"
  fi
fi

if want kel; then
  ls -l "$corpus"/*.bin | awk '{ printf "bench: %s %d bytes\n", $NF, $5 }'
fi
echo "bench: load average $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores; figures are noisy when others use the machine"
if want kel; then
  "$build/kel_bench" "$corpus" "${BENCH_REPS:-5}"
fi
if want exif; then
  "$build/exif_bench" "$root/../shared/corpus/exif" "${BENCH_REPS:-5}"
fi
if want vop; then
  section=$(printf ',%s,' "$only" | sed -n 's/.*,vop:\([a-z]*\),.*/\1/p')
  echo
  echo "bench: load average $(cut -d' ' -f1-3 /proc/loadavg) before the image benchmark"
  "$build/vop_bench" "$images" "${BENCH_REPS:-5}" $section
fi
# The image library's engine through its exports, under Wine (the win64 build).
if want engine; then
  winbuild="$root/${BENCH_BUILD:-build}/win64"
  if [ -x "$winbuild/bin/vop_engine_bench.exe" ]; then
    TOLM_WINEPREFIX="$winbuild/wineprefix" TOLM_WINEPATH="Z:$(echo "$root/out/x64" | tr / '\\')" \
      "$root/scripts/wine-run" "$winbuild/bin/vop_engine_bench.exe" "${BENCH_REPS:-3}"
  else
    echo "bench: vop_engine_bench not built (make build-win64)"
  fi
fi
