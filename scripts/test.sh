#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (as root), then builds and runs the whole test suite
# twice: in the release build and in the AddressSanitizer + UndefinedBehaviorSanitizer build,
# makes and inspects the Debian package (scripts/package.sh), and, when FOLIO_FUZZ_SECONDS is
# set, fuzzes each libFuzzer target briefly (the fuzz preset, clang). Every tracked C++ file
# must be clang-formatted.
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
# The seed corpora were replayed above as ordinary tests (fuzz_replay_*), in both builds.
# Mutating fuzzing needs a third build (clang, libFuzzer): it runs when FOLIO_FUZZ_SECONDS
# names a budget per target (fuzz/run.sh all SECONDS does the same on its own).
# A finding is reported loudly (and kept in fuzz/crashes/) but does not fail the run:
# a few seconds of random mutation are not a reproducible test. Reproducible findings
# become corpus entries and regression tests, which the suites above run every time.
fuzz_seconds=${FOLIO_FUZZ_SECONDS:-0}
if [[ "$fuzz_seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "=== brief fuzzing ($fuzz_seconds s per target) ==="
  if ! FUZZ_BUILD_JOBS="$jobs" bash fuzz/run.sh all "$fuzz_seconds"; then
    echo "FUZZING FOUND SOMETHING: see fuzz/crashes/ (not counted as a test failure)" >&2
  fi
fi
exit $status
