#!/usr/bin/env bash
# Builds the program in this folder outside the Folioworks tree against an installed
# Folioworks, twice (through the CMake package and through the pkg-config file), and runs
# both on a PDF file: each must print the page count given.
#
# Usage: consume.sh (--install BUILD_DIR | --prefix PREFIX) [--compiler CXX] FILE.pdf PAGES
#   --install BUILD_DIR  install that build into a temporary prefix first
#   --prefix PREFIX      use what is installed there (e.g. an unpacked Debian package's usr/)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

build_dir="" prefix="" compiler=""
while [ $# -gt 2 ]; do
  case "$1" in
    --install) build_dir=$2; shift 2 ;;
    --prefix) prefix=$2; shift 2 ;;
    --compiler) compiler=$2; shift 2 ;;
    *) echo "consume.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ $# -ne 2 ] || { [ -z "$build_dir" ] && [ -z "$prefix" ]; }; then
  sed -n '6,8p' "$0" >&2
  exit 2
fi
file=$1 pages=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Shows a step's log only when it fails.
step() {
  local log=$work/$1.log
  shift
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2
    echo "package: failed: $*" >&2
    exit 1
  fi
}

if [ -n "$build_dir" ]; then
  prefix=$work/prefix
  step install cmake --install "$build_dir" --prefix "$prefix"
fi
prefix=$(cd "$prefix" && pwd)

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
step configure cmake -S "$here" -B "$work/build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$prefix" ${compiler:+-DCMAKE_CXX_COMPILER="$compiler"}
# The package found must be the one under test, not one installed on the machine.
found=$(sed -n 's/^Folioworks_DIR:PATH=//p' "$work/build/CMakeCache.txt")
case "$found" in
  "$prefix"/*) ;;
  *) echo "package: found Folioworks in '$found', not under $prefix" >&2; exit 1 ;;
esac
step build cmake --build "$work/build"

# pkg-config links by -L/-l without a run path: point the loader at a shared library.
libdirs=$(find "$prefix" -name 'libfolioworks.so*' -printf '%h\n' | sort -u | paste -sd:)
status=0
for program in pagecount pagecount_pc; do
  output=$(LD_LIBRARY_PATH="$libdirs${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" "$work/build/$program" "$file" 2>&1) || true
  if [ "$output" = "Pages: $pages" ]; then
    echo "package: $program: $output"
  else
    echo "package: $program printed '$output', expected 'Pages: $pages'" >&2
    status=1
  fi
done
exit $status
