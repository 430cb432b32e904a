#!/usr/bin/env bash
# Lays out every tracked C and C++ file with .clang-format. With --check, changes nothing and
# fails when a file is not laid out (the test run calls it so).
set -eu
cd "$(dirname "$0")/.."
tool=$(command -v clang-format-14 || command -v clang-format)
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
if [ "${1:-}" = --check ]; then
  if "$tool" --dry-run -Werror "${files[@]}" 2>/tmp/format-check.$$; then
    rm -f /tmp/format-check.$$
    echo "format: ${#files[@]} files laid out"
  else
    grep -o '^[^:]*:[0-9]*' /tmp/format-check.$$ | cut -d: -f1 | sort -u | sed 's/^/format: not laid out: /'
    rm -f /tmp/format-check.$$
    exit 1
  fi
else
  "$tool" -i "${files[@]}"
fi
