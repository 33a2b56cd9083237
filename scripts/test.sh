#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (as root), then builds and runs the whole test suite
# twice: in the release build and in the AddressSanitizer + UndefinedBehaviorSanitizer build,
# makes and inspects the Debian package (scripts/package.sh), then fuzzes each libFuzzer
# target briefly (the fuzz preset, clang). Every tracked C++ file must be clang-formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc 2>/dev/null || echo 2)
status=0
echo "=== clang-format ==="
bash scripts/check-format.sh || status=1
for preset in release asan; do
  echo "=== $preset build ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== $preset tests ==="
  ctest --preset "$preset" -j "$jobs" || status=1
done
echo "=== Debian package ==="
JOBS="$jobs" bash scripts/package.sh || status=1
# The seed corpora were replayed above as ordinary tests (fuzz_replay_*); here every
# libFuzzer target also mutates for a few seconds.
# A finding here is reported loudly (and kept in fuzz/crashes/) but does not fail the run:
# a few seconds of random mutation are not a reproducible test. Reproducible findings
# become corpus entries and regression tests, which the suites above run every time.
echo "=== brief fuzzing (8 s per target) ==="
if ! FUZZ_BUILD_JOBS="$jobs" bash fuzz/run.sh all 8; then
  echo "FUZZING FOUND SOMETHING: see fuzz/crashes/ (not counted as a test failure)" >&2
fi
exit $status
