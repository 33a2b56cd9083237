#!/usr/bin/env bash
# Fails when clang-format, with the checked-in .clang-format, would change a C++ file.
#
# Usage: check-format.sh [--fix] [--since REF] [-C DIR]
#   (default)    every tracked .h/.cpp file: in a fresh clone (CI) "changed" can only mean
#                "anything that reached the repository", so the whole tree is held to it
#   --since REF  only the files changed since REF (committed or not), for a quick local check
#   --fix        format those files in place instead of checking them
#   -C DIR       the repository to look at (default: this script's repository)
# CLANG_FORMAT names the binary (default: clang-format).
set -euo pipefail

fix=false since="" repo="$(dirname "$0")/.."
while [ $# -gt 0 ]; do
  case "$1" in
    --fix) fix=true; shift ;;
    --since) since=$2; shift 2 ;;
    -C) repo=$2; shift 2 ;;
    *) sed -n '4,10p' "$0" >&2; exit 2 ;;
  esac
done
cd "$repo"
format=${CLANG_FORMAT:-clang-format}
if ! command -v "$format" >/dev/null; then
  echo "format: $format is not installed (scripts/setup.sh installs it)" >&2
  exit 1
fi

patterns=('*.h' '*.hpp' '*.cpp' '*.cc')
if [ -n "$since" ]; then
  mapfile -t files < <(git diff --name-only --diff-filter=d "$since" -- "${patterns[@]}")
else
  mapfile -t files < <(git ls-files -- "${patterns[@]}")
fi

unformatted=()
for f in "${files[@]}"; do
  [ -f "$f" ] || continue
  if $fix; then
    "$format" -i "$f"
  elif ! "$format" --dry-run --Werror "$f" >/dev/null 2>&1; then
    unformatted+=("$f")
  fi
done

if $fix; then
  echo "format: formatted ${#files[@]} file(s)"
elif [ ${#unformatted[@]} -gt 0 ]; then
  printf 'format: needs clang-format: %s\n' "${unformatted[@]}" >&2
  echo "format: ${#unformatted[@]} of ${#files[@]} file(s) differ; run scripts/check-format.sh --fix" >&2
  exit 1
else
  echo "format: ${#files[@]} file(s) formatted"
fi
