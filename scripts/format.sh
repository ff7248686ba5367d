#!/usr/bin/env bash
# Formats the C and C++ files changed against main (or the files given) with the
# repository's .clang-format. Only *.cpp, *.h and *.c files are touched: CMake files and
# everything else keep their own layout.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$#" -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <( (git diff --name-only --diff-filter=d main...HEAD; git diff --name-only --diff-filter=d HEAD;
                         git ls-files --others --exclude-standard) | sort -u)
fi
sources=()
for f in "${files[@]}"; do
  case "$f" in
    *.cpp | *.h | *.c) [ -f "$f" ] && sources+=("$f") ;;
  esac
done
[ "${#sources[@]}" -eq 0 ] || clang-format -i "${sources[@]}"
