#!/usr/bin/env bash
# No program or library of the build searches the current folder for the libraries it needs: an
# empty entry of its run path (or ".") would load a library planted in the folder the program is
# started from. Every ELF file below the build folder is read.
set -uo pipefail
build="$1"
failures=0
checked=0
while IFS= read -r -d '' file; do
  head -c 4 "$file" 2>/dev/null | grep -q $'\x7fELF' || continue
  checked=$((checked + 1))
  path="$(readelf -d "$file" 2>/dev/null | sed -n 's/.*(\(RPATH\|RUNPATH\)).*\[\(.*\)\]/\2/p')"
  [ -n "$path" ] || continue
  # Every entry, a leading or trailing empty one included.
  if printf '%s\n' "$path" | awk -F: '{ for (i = 1; i <= NF; i++) if ($i == "" || $i == "." || $i ~ /^\.\//) bad = 1 } END { exit !bad }'; then
    echo "FAIL: $file searches the current folder (run path '$path')"
    failures=$((failures + 1))
  fi
done < <(find "$build" -type f \( -perm -u+x -o -name '*.so' -o -name '*.so.*' \) -print0)
[ "$checked" -gt 0 ] || { echo "FAIL: no binary found below $build"; exit 1; }
[ "$failures" -eq 0 ] && echo "PASS: $checked binaries" || exit 1
