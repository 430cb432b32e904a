#!/usr/bin/env bash
# Opens TOLM.exe under Wine on the project's sample photograph. With a display the program
# shows up there; without one it runs under Xvfb and a screenshot is saved.
set -eu
build=${1:-build/win64}
root=$(cd "$(dirname "$0")/.." && pwd)
exe="$root/out/x64/TOLM.exe"
sample="$root/samples/sample.jpg"
[ -f "$exe" ] || { echo "run: $exe is missing; run make build first" >&2; exit 1; }
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

# The shell's context menu passes: /f "path". Wine would re-quote quotes given as arguments,
# so a batch file hands the command line over unchanged.
launcher="$build/run-sample.bat"
printf '@"%s" /f "%s"\r\n' "$(winpath "$exe")" "$(winpath "$sample")" > "$launcher"
export TOLM_WINEPREFIX="$root/$build/wineprefix"
[ "${build#/}" != "$build" ] && export TOLM_WINEPREFIX="$build/wineprefix"

if [ -n "${DISPLAY:-}" ]; then
  exec "$root/scripts/wine-run" cmd /c "$(winpath "$(cd "$(dirname "$launcher")" && pwd)/$(basename "$launcher")")"
fi

shots="$root/out/screenshots"
mkdir -p "$shots"
shot="$shots/tolm-sample.png"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  # A Wine session started without a display would serve this one too: end it, and set up a
  # new prefix here, before anything is timed.
  WINEPREFIX="$TOLM_WINEPREFIX" wineserver -k 2>/dev/null
  "$0/scripts/wine-run" cmd /c exit >/dev/null 2>&1
  "$0/scripts/wine-run" cmd /c "$1" &
  # Wait until something is on the screen (at most 40 s), then give it a moment to paint.
  for i in $(seq 40); do
    sleep 1
    xwd -root -silent | convert xwd:- "$2"
    [ "$(convert "$2" -format "%[fx:mean>0]" info:)" = 1 ] && break
  done
  sleep 2
  xwd -root -silent | convert xwd:- "$2"
  WINEPREFIX="$TOLM_WINEPREFIX" wineserver -k
' "$root" "$(winpath "$(cd "$(dirname "$launcher")" && pwd)/$(basename "$launcher")")" "$shot" || true
if [ -f "$shot" ]; then
  echo "run: no display, so TOLM ran under Xvfb; screenshot: $shot"
else
  echo "run: the screenshot could not be taken" >&2
  exit 1
fi
