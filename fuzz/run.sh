#!/usr/bin/env bash
# Builds the fuzz preset and fuzzes one target, or every target, for a time budget each.
#
#   fuzz/run.sh TARGET SECONDS     one target (read_object, xref, load_save, filters,
#                                  page_range, encrypted_load, font_subset, pictures,
#                                  form_fill)
#   fuzz/run.sh all SECONDS        every target in turn, SECONDS each
#
# New corpus entries go to fuzz/corpus-work/TARGET/ (git-ignored); the seed corpus
# fuzz/corpus/TARGET/ is read, never written. Crashes, leaks, timeouts and out-of-memory
# inputs land in fuzz/crashes/ as TARGET-crash-<sha1> and the like. One fuzzer runs at a
# time in one process, so one core stays free. Exit status 1 when any target found something.
set -euo pipefail
cd "$(dirname "$0")/.."

all_targets=(read_object xref load_save filters page_range encrypted_load font_subset pictures form_fill)
target=${1:-}
budget=${2:-}
if [[ -z "$target" || -z "$budget" || ! "$budget" =~ ^[0-9]+$ ]]; then
  echo "usage: fuzz/run.sh TARGET|all SECONDS" >&2
  exit 2
fi
if [[ "$target" == all ]]; then
  targets=("${all_targets[@]}")
else
  [[ " ${all_targets[*]} " == *" $target "* ]] || { echo "unknown target: $target" >&2; exit 2; }
  targets=("$target")
fi

# Largest input per target: whole documents need room, token-level surfaces do not.
max_len() {
  case "$1" in
    load_save | encrypted_load | form_fill) echo 262144 ;;
    read_object | xref | filters) echo 65536 ;;
    page_range) echo 1024 ;;
    font_subset) echo 65536 ;;
    pictures) echo 16384 ;;
  esac
}

build_jobs=${FUZZ_BUILD_JOBS:-2}
cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j "$build_jobs" --target "${targets[@]/#/fuzz_}"

mkdir -p fuzz/crashes
status=0
for t in "${targets[@]}"; do
  work=fuzz/corpus-work/$t
  mkdir -p "$work"
  dict=()
  case "$t" in read_object | xref | load_save | encrypted_load) dict=(-dict=fuzz/pdf.dict) ;; esac
  echo "=== fuzz_$t for ${budget}s ==="
  start=$(date +%s)
  rc=0
  # -timeout: every input must finish within a few seconds; a hang is a finding.
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    "build/fuzz/fuzz/fuzz_$t" "$work" "fuzz/corpus/$t" "${dict[@]}" \
    -max_total_time="$budget" -max_len="$(max_len "$t")" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="fuzz/crashes/$t-" -print_final_stats=1 -close_fd_mask=1 2>"$work.log" || rc=$?
  end=$(date +%s)
  echo "$t $((end - start)) $(date -u +%FT%TZ) rc=$rc" >>fuzz/corpus-work/fuzz-time.log
  grep -aE "^stat::(number_of_executed_units|peak_rss_mb)" "$work.log" || true
  if [[ $rc -ne 0 ]]; then
    echo "fuzz_$t FOUND A PROBLEM (exit $rc); log: $work.log" >&2
    grep -aE "ERROR: |SUMMARY: |Test unit written to" "$work.log" | head -5 >&2 || true
    status=1
  fi
done
exit $status
