#!/usr/bin/env bash
# Builds every fuzz target with clang's libFuzzer (with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for FUZZ_SECONDS (default 60), seeded with the
# project's sample and, where present, the shared camera files. Fails on any finding.
# FUZZ_CPU_SECONDS instead runs each target until it has used that much processor time (a
# campaign: 1800 for 30 processor-minutes), which a busy machine stretches but does not cut.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/fuzz"
seconds=${FUZZ_SECONDS:-60}
mkdir -p "$out"
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I"$root")

# target: the sources it needs besides its own file
declare -A sources=(
  [tolm_cmdline_fuzz]="app/core/cmdline.cpp util/core/dbcs_text.cpp"
  [dax_exif_fuzz]="exif/core/*.cpp"
  [kel_lzss_fuzz]="util/core/*.cpp"
  [kel_huffman_fuzz]="util/core/*.cpp"
  [kel_huffman2_fuzz]="util/core/*.cpp"
  [kel_values_fuzz]="util/core/*.cpp"
  [vop_dib_fuzz]="image/core/packed_dib.cpp"
  [tolm_eraselist_fuzz]="app/core/erase_list.cpp util/core/dbcs_text.cpp"
  [tolm_changelog_fuzz]="app/core/*.cpp util/core/dbcs_text.cpp"
  [kel_number_fuzz]="util/core/int64.cpp util/core/convert.cpp util/core/dbcs_text.cpp"
  [vop_spill_fuzz]="image/core/spill_format.cpp image/core/surface.cpp"
)
status=0
# FUZZ_TARGETS (space-separated) runs only those targets.
targets=${FUZZ_TARGETS:-${!sources[*]}}
for target in $targets; do
  [ -f "$root/fuzz/$target.cpp" ] || { echo "fuzz: $target: no source yet"; continue; }
  echo "== $target =="
  # shellcheck disable=SC2086
  if ! (cd "$root" && clang++ "${flags[@]}" "fuzz/$target.cpp" ${sources[$target]} -o "$out/$target"); then
    echo "fuzz: $target does not build"; status=1; continue
  fi
  seeds="$out/$target.seeds"
  mkdir -p "$seeds" "$out/$target.corpus"
  cp "$root/samples/"* "$seeds/" 2>/dev/null
  if [ "$target" = vop_dib_fuzz ] && command -v convert >/dev/null; then
    # Real BMP files of every depth the library writes, as starting points.
    for depth in 1 4 8 24 32; do
      case $depth in
        1) opts=(-monochrome) ;; 4) opts=(-colors 16) ;; 8) opts=(-colors 200) ;; *) opts=() ;;
      esac
      convert -size 7x5 gradient:red-blue "${opts[@]}" -depth 8 "bmp3:$seeds/seed$depth.bmp" 2>/dev/null
    done
  fi
  # The target's own seeds, where it has them (not their README or generator).
  if [ -d "$root/fuzz/corpus/$target" ]; then
    find "$root/fuzz/corpus/$target" -type f ! -name '*.md' ! -name '*.py' -exec cp {} "$seeds/" \;
  fi
  if [ "$target" = tolm_eraselist_fuzz ]; then
    cp "$root/samples/"*.tlx "$seeds/" 2>/dev/null
  fi
  extra=()
  if [ "$target" = dax_exif_fuzz ]; then
    # The camera files that fit the input cap, and the format's tokens.
    if [ -d "$root/../shared/corpus/exif" ]; then
      find "$root/../shared/corpus/exif" -type f -size -64k -name '*.jp*g' -exec cp {} "$seeds/" \;
    fi
    extra=(-dict="$root/fuzz/dax_exif.dict")
  fi
  limit=$seconds
  [ -n "${FUZZ_CPU_SECONDS:-}" ] && limit=$((FUZZ_CPU_SECONDS * 20)) # the processor watch below ends it
  "$out/$target" -max_total_time="$limit" -max_len=65536 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    "${extra[@]}" -artifact_prefix="$out/$target-" "$out/$target.corpus" "$seeds" 2>"$out/$target.log" &
  pid=$!
  if [ -n "${FUZZ_CPU_SECONDS:-}" ]; then
    tick=$(getconf CLK_TCK)
    while kill -0 "$pid" 2>/dev/null; do
      sleep 5
      { read -r -a stat <"/proc/$pid/stat"; } 2>/dev/null || break
      # Fields 14 and 15: user and system time in clock ticks. SIGINT makes libFuzzer print
      # its final statistics and exit with 72.
      [ $(((stat[13] + stat[14]) / tick)) -ge "$FUZZ_CPU_SECONDS" ] && kill -INT "$pid"
    done
  fi
  wait "$pid"
  rc=$?
  if [ $rc -ne 0 ] && [ $rc -ne 72 ]; then
    echo "fuzz: $target found a fault; see $out/$target.log and the artifact beside it"
    tail -n 30 "$out/$target.log"
    status=1
  else
    grep -E '^Done|stat::number_of_executed_units' "$out/$target.log" | tail -n 1
  fi
done
exit $status
