#!/usr/bin/env bash
# Benchmarks folio against qpdf, mutool (MuPDF) and pdftk on the same work, side by side:
# median wall time and peak resident memory per tool and scenario, every output checked with
# qpdf (structure and page count) so that a fast wrong answer cannot win. Writes bench/RESULTS.md.
#
# Usage: bench/run.sh            (as root on Debian 12, after scripts/setup.sh)
# Environment:
#   BENCH_RUNS=5            timed runs per command (the median is reported)
#   BENCH_NO_BUILD=1        do not (re)build the release build first
#   BENCH_REBUILD_INPUTS=1  rebuild bench/work/inputs even when they are up to date
#   BENCH_ONLY="a b"        run only these scenarios (ids from the list below)
#   FOLIO=/path/to/folio    benchmark this binary instead of build/release/cli/folio
#   FOLIO_LABEL="..."       how RESULTS.md names that binary (say, the commit it was built from)
set -euo pipefail

cd "$(dirname "$0")/.."
ROOT=$(pwd)
BENCH=$ROOT/bench
WORK=$BENCH/work
RUNS=${BENCH_RUNS:-5}
SCENARIOS=(rewrite-2k rewrite-10k merge-200 extract-1000 extract-10 info delete-odd encrypt-128)
ONLY=${BENCH_ONLY:-${SCENARIOS[*]}}
FIXTURES_DIR=${FIXTURES_DIR:-$ROOT/../shared/fixtures/classic}
[ -d "$FIXTURES_DIR" ] || FIXTURES_DIR=/work/shared/fixtures/classic

# Fixtures at most this large are the "small files" of the merge scenario.
SMALL_MAX_BYTES=500000
SMALL_COUNT=200
SAMPLE_PAGES=""  # OUTPAGE:SOURCE:PAGE triples checked by text, set per scenario

log() { printf 'bench: %s\n' "$*" >&2; }
die() { printf 'bench: %s\n' "$*" >&2; exit 1; }

# --- peers -------------------------------------------------------------------------------------

install_missing() {
  local pkgs=(qpdf mupdf-tools pdftk-java time python3 poppler-utils) missing=() p
  for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  [ "$(id -u)" -eq 0 ] || die "missing packages: ${missing[*]} (run as root to install them)"
  log "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build_folio() {
  if [ -n "${FOLIO:-}" ]; then
    [ -x "$FOLIO" ] || die "no folio at $FOLIO"
    FOLIO_VERSION="$("$FOLIO" --version 2>&1 | head -1), ${FOLIO_LABEL:-binary $FOLIO}"
    return
  fi
  FOLIO=$ROOT/build/release/cli/folio
  if [ "${BENCH_NO_BUILD:-0}" != 1 ]; then
    log "building the release build"
    cmake --preset release >/dev/null
    cmake --build --preset release --target folio >&2
  fi
  [ -x "$FOLIO" ] || die "no folio at $FOLIO"
  # Taken now: others may commit while the benchmark runs.
  FOLIO_VERSION="$("$FOLIO" --version 2>&1 | head -1), commit $(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null || echo '?')"
  git -C "$ROOT" diff --quiet HEAD -- core pdf cli 2>/dev/null ||
    FOLIO_VERSION="$FOLIO_VERSION with local changes in core/, pdf/ or cli/"
}

# --- inputs ------------------------------------------------------------------------------------

npages() { qpdf --show-npages "$@" 2>/dev/null || echo "?"; }
nobjects() { qpdf --show-xref "$1" 2>/dev/null | wc -l; }

# Concatenates the fixtures, cycled, up to exactly $1 pages into $2 (classic xref). qpdf shares
# the objects of a file named twice, so every repetition gets its own copy under its own name:
# that keeps each repetition's fonts, images and content streams as separate objects, as in a
# real document of that length.
make_big() {
  local target=$1 out=$2 tmp="$WORK/inputs/copies" args=() total=0 i=0 f n
  rm -rf "$tmp" && mkdir -p "$tmp"
  while [ "$total" -lt "$target" ]; do
    for f in "${FIXTURES[@]}"; do
      [ "$total" -ge "$target" ] && break
      i=$((i + 1))
      n=${PAGES[$f]}
      cp "$f" "$tmp/$(printf 'c%05d' $i)-$(basename "$f")"
      args+=("$tmp/$(printf 'c%05d' $i)-$(basename "$f")")
      if [ $((total + n)) -gt "$target" ]; then
        args+=("1-$((target - total))")
        total=$target
      else
        total=$((total + n))
      fi
    done
  done
  qpdf --empty --pages "${args[@]}" -- --object-streams=disable "$out"
  rm -rf "$tmp"
}

make_inputs() {
  local in="$WORK/inputs" stamp f i=0 small=()
  mapfile -t FIXTURES < <(ls "$FIXTURES_DIR"/*.pdf | LC_ALL=C sort)
  [ ${#FIXTURES[@]} -gt 0 ] || die "no fixtures in $FIXTURES_DIR"
  declare -gA PAGES=()
  for f in "${FIXTURES[@]}"; do PAGES[$f]=$(npages "$f"); done
  stamp=$( (echo "inputs v1 $SMALL_MAX_BYTES $SMALL_COUNT"; qpdf --version | head -1; sha256sum "${FIXTURES[@]}") | sha256sum)
  if [ "${BENCH_REBUILD_INPUTS:-0}" != 1 ] && [ -f "$in/stamp" ] && [ "$(cat "$in/stamp")" = "$stamp" ]; then
    log "inputs up to date in $in"
    return
  fi
  log "building inputs in $in"
  rm -rf "$in" && mkdir -p "$in/small"
  make_big 2000 "$in/big2k.pdf"
  make_big 10000 "$in/big10k.pdf"
  for f in "${FIXTURES[@]}"; do [ "$(stat -c %s "$f")" -le $SMALL_MAX_BYTES ] && small+=("$f"); done
  while [ $i -lt $SMALL_COUNT ]; do
    cp "${small[$((i % ${#small[@]}))]}" "$in/small/$(printf 's%03d' $((i + 1))).pdf"
    i=$((i + 1))
  done
  echo "$stamp" >"$in/stamp"
}

# --- measuring ---------------------------------------------------------------------------------


# check OUT EXPECTED_PAGES [PASSWORD] -> prints "ok" or what is wrong
check_output() {
  local out=$1 want=$2 pw=${3:-} pwopt=() rc=0 got
  [ -s "$out" ] || { echo "FAIL: no output"; return; }
  # A report (info) is checked for the line that shows it saw the whole file: `want` is a
  # regular expression that must match one of its lines.
  case $out in
    *.txt)
      if grep -Eq "$want" "$out"; then echo ok; else echo "FAIL: no line matches $want"; fi
      return
      ;;
  esac
  [ -n "$pw" ] && pwopt=(--password="$pw")
  qpdf --check "${pwopt[@]}" "$out" >"$out.check.txt" 2>&1 || rc=$?
  got=$(npages "${pwopt[@]}" "$out")
  if [ "$rc" -ne 0 ] && [ "$rc" -ne 3 ]; then echo "FAIL: qpdf --check exit $rc"; return; fi
  if [ "$got" != "$want" ]; then echo "FAIL: $got pages, want $want"; return; fi
  if [ -n "$pw" ]; then
    # The output must really be RC4 128-bit (revision 3) and need the user password to open.
    qpdf --requires-password "$out" >/dev/null 2>&1 || { echo "FAIL: opens without password"; return; }
    local enc
    enc=$(qpdf --show-encryption "${pwopt[@]}" "$out" 2>/dev/null || true)
    grep -qx 'R = 3' <<<"$enc" || { echo "FAIL: not revision 3 encryption"; return; }
  fi
  # Sample pages must show the text of the page they come from, so that wrong or reordered
  # pages fail too.
  local sample o src sp upw=()
  [ -n "$pw" ] && upw=(-upw "$pw")
  for sample in $SAMPLE_PAGES; do
    IFS=: read -r o src sp <<<"$sample"
    if [ "$(page_text "$out" "$o" "${upw[@]}")" != "$(page_text "$src" "$sp")" ]; then
      echo "FAIL: text of page $o differs from $src page $sp"
      return
    fi
  done
  if [ "$rc" -eq 3 ]; then echo "warn: qpdf --check warnings"; return; fi
  echo ok
}

# page_text FILE PAGE [pdftotext options]: the page's text, white space runs folded.
page_text() {
  local f=$1 p=$2
  shift 2
  pdftotext -q -enc UTF-8 "$@" -f "$p" -l "$p" "$f" - 2>/dev/null | tr -s ' \t\n\f' ' '
}

# measure SCENARIO TOOL OUT EXPECTED_PAGES PASSWORD -- COMMAND...
# Queues one tool's command for the scenario; run_queued then measures the queue.
Q_TOOL=() Q_OUT=() Q_WANT=() Q_PW=() Q_CMD=()
measure() {
  Q_TOOL+=("$2") Q_OUT+=("$3") Q_WANT+=("$4") Q_PW+=("$5")
  shift 6
  Q_CMD+=("$(printf '%q ' "$@")")
}

# One timed run of queued command $2 of scenario $1: wall time from the shell's clock, user and
# system time and peak resident memory from /usr/bin/time. Appends a line to samples.tsv.
timed_run() {
  local s=$1 i=$2 t0 t1 rc=0 res
  t0=$EPOCHREALTIME
  eval "/usr/bin/time -o \"\$WORK/time.txt\" -f '%U %S %M' ${Q_CMD[$i]}" >>"$WORK/logs/$s.${Q_TOOL[$i]}.log" 2>&1 || rc=$?
  t1=$EPOCHREALTIME
  res=$(grep -E '^[0-9.]+ [0-9.]+ [0-9]+$' "$WORK/time.txt" | tail -1)
  printf '%s\t%s\t%s\t%s\t%s\n' "$s" "${Q_TOOL[$i]}" "$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.4f", b - a}')" \
    "$(tr ' ' '\t' <<<"$res")" "$rc" >>"$WORK/samples.tsv"
}

# Measures the queued commands of scenario $1: each runs once and its output is checked (this run
# also warms the page cache), then RUNS rounds run every tool once each, the order rotated from
# round to round, so that a burst of load from elsewhere on the machine hits all tools alike.
run_queued() {
  local s=$1 n=${#Q_TOOL[@]} i r rc status
  mkdir -p "$WORK/logs"
  for ((i = 0; i < n; i++)); do
    log "$s / ${Q_TOOL[$i]}: checked run"
    rm -f "${Q_OUT[$i]}"
    rc=0
    eval "${Q_CMD[$i]}" >"$WORK/logs/$s.${Q_TOOL[$i]}.log" 2>&1 || rc=$?
    if [ "$rc" -ne 0 ]; then status="FAIL: exit $rc"; else status=$(check_output "${Q_OUT[$i]}" "${Q_WANT[$i]}" "${Q_PW[$i]}"); fi
    [ "$status" = ok ] || log "  ${Q_TOOL[$i]}: $status"
    printf '%s\t%s\t%s\t%s\n' "$s" "${Q_TOOL[$i]}" "$status" "${Q_CMD[$i]% }" >>"$WORK/status.tsv"
  done
  for ((r = 0; r < RUNS; r++)); do
    log "$s: round $((r + 1)) of $RUNS"
    for ((i = 0; i < n; i++)); do timed_run "$s" $(((i + r) % n)); done
  done
  Q_TOOL=() Q_OUT=() Q_WANT=() Q_PW=() Q_CMD=()
}

# A comma list of every odd (or even) page number up to N.
page_list() { seq -s, "$1" 2 "$2"; }

run_scenario() {
  local s=$1 in="inputs" o="out"
  mkdir -p "$WORK/out"
  printf '%s\t%s\n' "$s" "$(cut -d' ' -f1-3 /proc/loadavg)" >>"$WORK/load.tsv"
  case $s in
    rewrite-2k | rewrite-10k)
      local big=$in/big2k.pdf
      [ $s = rewrite-10k ] && big=$in/big10k.pdf
      local n=${INPAGES[$big]}
      SAMPLE_PAGES="1:$big:1 $((n / 2)):$big:$((n / 2)) $n:$big:$n"
      measure $s folio $o/$s.folio.pdf "$n" "" -- "$FOLIO" copy -q $big -o $o/$s.folio.pdf
      measure $s qpdf $o/$s.qpdf.pdf "$n" "" -- qpdf --object-streams=disable $big $o/$s.qpdf.pdf
      measure $s mutool $o/$s.mutool.pdf "$n" "" -- mutool clean $big $o/$s.mutool.pdf
      measure $s pdftk $o/$s.pdftk.pdf "$n" "" -- pdftk $big output $o/$s.pdftk.pdf
      ;;
    merge-200)
      local files=($in/small/s*.pdf) n=0 f
      for f in "${files[@]}"; do n=$((n + ${INPAGES[$f]})); done
      # first page of the first file, first page of the 101st, last page of the last
      local before=0 last=${files[-1]}
      for f in "${files[@]:0:100}"; do before=$((before + ${INPAGES[$f]})); done
      SAMPLE_PAGES="1:${files[0]}:1 $((before + 1)):${files[100]}:1 $n:$last:${INPAGES[$last]}"
      measure $s folio $o/$s.folio.pdf $n "" -- "$FOLIO" merge -q "${files[@]}" -o $o/$s.folio.pdf
      measure $s qpdf $o/$s.qpdf.pdf $n "" -- \
        qpdf --empty --pages "${files[@]}" -- --object-streams=disable $o/$s.qpdf.pdf
      measure $s mutool $o/$s.mutool.pdf $n "" -- mutool merge -o $o/$s.mutool.pdf "${files[@]}"
      measure $s pdftk $o/$s.pdftk.pdf $n "" -- pdftk "${files[@]}" cat output $o/$s.pdftk.pdf
      ;;
    extract-1000)
      local big=$in/big10k.pdf
      SAMPLE_PAGES="1:$big:1 500:$big:500 1000:$big:1000"
      measure $s folio $o/$s.folio.pdf 1000 "" -- "$FOLIO" extract -q $big --pages 1-1000 -o $o/$s.folio.pdf
      measure $s qpdf $o/$s.qpdf.pdf 1000 "" -- \
        qpdf --empty --pages $big 1-1000 -- --object-streams=disable $o/$s.qpdf.pdf
      measure $s mutool $o/$s.mutool.pdf 1000 "" -- mutool merge -o $o/$s.mutool.pdf $big 1-1000
      measure $s pdftk $o/$s.pdftk.pdf 1000 "" -- pdftk $big cat 1-1000 output $o/$s.pdftk.pdf
      ;;
    extract-10)
      # Ten pages from the middle of the large file: what it costs to take a few pages of a
      # large file, not to read all of it.
      local big=$in/big10k.pdf from=4996 to=5005
      SAMPLE_PAGES="1:$big:$from 5:$big:$((from + 4)) 10:$big:$to"
      measure $s folio $o/$s.folio.pdf 10 "" -- "$FOLIO" extract -q $big --pages $from-$to -o $o/$s.folio.pdf
      measure $s qpdf $o/$s.qpdf.pdf 10 "" -- \
        qpdf --empty --pages $big $from-$to -- --object-streams=disable $o/$s.qpdf.pdf
      measure $s mutool $o/$s.mutool.pdf 10 "" -- mutool merge -o $o/$s.mutool.pdf $big $from-$to
      measure $s pdftk $o/$s.pdftk.pdf 10 "" -- pdftk $big cat $from-$to output $o/$s.pdftk.pdf
      ;;
    info)
      # Page count and every page's size of the large file, printed: folio info, the page
      # boxes from mutool pages and pdftk dump_data, and qpdf's page list.
      local big=$in/big10k.pdf n=${INPAGES[$in/big10k.pdf]}
      measure $s folio $o/$s.folio.txt "^Pages: +$n\$" "" -- sh -c "\"\$0\" info $big > $o/$s.folio.txt" "$FOLIO"
      measure $s qpdf $o/$s.qpdf.txt "^page $n:" "" -- sh -c "qpdf --show-pages $big > $o/$s.qpdf.txt"
      measure $s mutool $o/$s.mutool.txt "pagenum=\"$n\"" "" -- sh -c "mutool pages $big > $o/$s.mutool.txt"
      measure $s pdftk $o/$s.pdftk.txt "^NumberOfPages: $n\$" "" -- sh -c "pdftk $big dump_data > $o/$s.pdftk.txt"
      ;;
    delete-odd)
      # Keep the odd pages: folio deletes the even ones, the peers select the odd ones.
      local big=$in/big10k.pdf n=${INPAGES[$in/big10k.pdf]}
      local odd even keep
      odd=$(page_list 1 "$n")
      even=$(page_list 2 "$n")
      keep=$(((n + 1) / 2))
      SAMPLE_PAGES="1:$big:1 2:$big:3 $((keep / 2)):$big:$((2 * (keep / 2) - 1)) $keep:$big:$((2 * keep - 1))"
      measure $s folio $o/$s.folio.pdf $keep "" -- "$FOLIO" delete -q $big --pages "$even" -o $o/$s.folio.pdf
      measure $s qpdf $o/$s.qpdf.pdf $keep "" -- \
        qpdf --empty --pages $big "$odd" -- --object-streams=disable $o/$s.qpdf.pdf
      measure $s mutool $o/$s.mutool.pdf $keep "" -- mutool merge -o $o/$s.mutool.pdf $big "$odd"
      measure $s pdftk $o/$s.pdftk.pdf $keep "" -- pdftk $big cat 1-endodd output $o/$s.pdftk.pdf
      ;;
    encrypt-128)
      # RC4 128-bit (revision 3), user password u, owner password o, every permission granted.
      local big=$in/big2k.pdf n=${INPAGES[$in/big2k.pdf]}
      SAMPLE_PAGES="1:$big:1 $((n / 2)):$big:$((n / 2)) $n:$big:$n"
      measure $s folio $o/$s.folio.pdf "$n" u -- \
        "$FOLIO" copy -q $big --encrypt 128 --owner-password o --user-password u -o $o/$s.folio.pdf
      measure $s qpdf $o/$s.qpdf.pdf "$n" u -- qpdf --allow-weak-crypto --object-streams=disable \
        --encrypt u o 128 --use-aes=n -- $big $o/$s.qpdf.pdf
      measure $s mutool $o/$s.mutool.pdf "$n" u -- mutool clean -E rc4-128 -O o -U u $big $o/$s.mutool.pdf
      measure $s pdftk $o/$s.pdftk.pdf "$n" u -- \
        pdftk $big output $o/$s.pdftk.pdf encrypt_128bit owner_pw o user_pw u allow AllFeatures
      ;;
    *) die "unknown scenario $s" ;;
  esac
  run_queued "$s"
}

# --- report ------------------------------------------------------------------------------------

machine_description() {
  local cpu mem
  cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
  mem=$(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)
  echo "| what | value |"
  echo "|---|---|"
  echo "| date | $(date -u '+%Y-%m-%d %H:%M UTC') |"
  echo "| CPU | $cpu |"
  echo "| nproc | $(nproc) |"
  echo "| memory | $mem |"
  echo "| kernel | $(uname -sr) |"
  echo "| uptime at start | \`$UPTIME_START\` |"
  echo "| uptime at end | \`$(uptime)\` |"
  echo "| folio | $FOLIO_VERSION |"
  echo "| qpdf | $(qpdf --version | head -1) |"
  echo "| mutool | $(mutool -v 2>&1 | head -1) |"
  echo "| pdftk | $(pdftk --version 2>&1 | head -1) |"
  echo "| java | $(java -version 2>&1 | head -1) |"
}

input_description() {
  local f
  echo "| input | size | pages | objects (xref entries) |"
  echo "|---|---:|---:|---:|"
  for f in inputs/big2k.pdf inputs/big10k.pdf; do
    echo "| \`bench/work/$f\` | $(numfmt --to=iec --suffix=B "$(stat -c %s "$WORK/$f")") | ${INPAGES[$f]} | $(nobjects "$WORK/$f") |"
  done
  local total=0 pages=0
  for f in "$WORK"/inputs/small/s*.pdf; do
    total=$((total + $(stat -c %s "$f")))
    pages=$((pages + ${INPAGES[inputs/small/$(basename "$f")]}))
  done
  echo "| \`bench/work/inputs/small/s001…s$SMALL_COUNT.pdf\` | $(numfmt --to=iec --suffix=B $total) in all | $pages in all | |"
}

main() {
  UPTIME_START=$(uptime)
  install_missing
  build_folio
  mkdir -p "$WORK"
  make_inputs
  cd "$WORK"
  declare -gA INPAGES=()
  local f
  for f in inputs/big2k.pdf inputs/big10k.pdf inputs/small/s*.pdf; do INPAGES[$f]=$(npages "$f"); done
  rm -rf out logs samples.tsv status.tsv load.tsv time.txt
  log "load before: $UPTIME_START"
  for s in $ONLY; do run_scenario "$s"; done
  {
    echo "# Benchmark: folio against qpdf, mutool and pdftk"
    echo
    echo "Written by \`bench/run.sh\` ($RUNS timed runs per command after one checked warm-up run)."
    echo
    echo "## Machine"
    echo
    machine_description
    echo
    echo "## Inputs"
    echo
    echo "Built from the classic-xref fixtures by \`qpdf --empty --pages … -- --object-streams=disable\`,"
    echo "each repetition of a fixture a separate copy (so its objects are not shared with the other"
    echo "repetitions). The small files are the fixtures of at most $SMALL_MAX_BYTES bytes, cycled."
    echo
    input_description
  } >"$WORK/head.md"
  python3 - "$WORK/samples.tsv" "$WORK/status.tsv" "$WORK/load.tsv" "$(nproc)" "$WORK/head.md" "$BENCH/RESULTS.md" <<'EOF'
import math, statistics, sys
samples_f, status_f, load_f, nproc, head_f, out_f = sys.argv[1:]
nproc = int(nproc)
med = statistics.median
samples, data = {}, {}
for l in open(samples_f):
    f = l.rstrip("\n").split("\t")
    if len(f) == 7 and f[6] == "0" and f[3]:
        samples.setdefault((f[0], f[1]), []).append((float(f[2]), float(f[3]) + float(f[4]), int(f[5])))
for l in open(status_f):
    scen, tool, st, cmd = l.rstrip("\n").split("\t", 3)
    sm = samples.get((scen, tool), [])
    if not sm:
        st = st if st != "ok" else "FAIL: no successful timed run"
        sm = [(math.nan, math.nan, math.nan)]
    walls = [x[0] for x in sm]
    data[(scen, tool)] = dict(t=med(walls), lo=min(walls), hi=max(walls), cpu=med([x[1] for x in sm]),
                              m=med([x[2] for x in sm]), n=len(sm), st=st, cmd=cmd)
load = dict(l.rstrip("\n").split("\t", 1) for l in open(load_f) if l.strip())
peers = ["qpdf", "mutool", "pdftk"]
scens = list(dict.fromkeys(k[0] for k in data))

def ok(d): return d["st"] == "ok"
def mark(d): return "" if ok(d) else (" ✗" if d["st"].startswith("FAIL") else " ⚠")
def ratio(a, b):
    if math.isnan(a) or math.isnan(b) or b == 0: return "n/a"
    return f"{a / b:.2f}"

def short(cmd):
    out, small = [], []
    for w in cmd.split(" "):
        if w.startswith("inputs/small/"):
            small.append(w); continue
        if small:
            out.append(f"{small[0]} … {small[-1]}" if len(small) > 2 else " ".join(small)); small = []
        if len(w) > 60 and "," in w:
            items = w.split(",")
            w = ",".join(items[:3]) + ",…," + items[-1]
        out.append(w)
    if small: out.append(f"{small[0]} … {small[-1]}")
    return " ".join(out).replace("\\", "")

lines = []
lines.append("## Ratios folio / peer\n")
lines.append("Time is the median wall time, memory the median peak resident set size. Below 1 means")
lines.append("folio is faster or lighter. ✗ marks a ratio whose peer (or folio) output failed the")
lines.append("check, ⚠ one whose output had qpdf --check warnings.\n")
lines.append("| scenario | vs qpdf time | vs qpdf mem | vs mutool time | vs mutool mem | vs pdftk time | vs pdftk mem |")
lines.append("|---|---:|---:|---:|---:|---:|---:|")
for s in scens:
    f = data.get((s, "folio"))
    cells = []
    for p in peers:
        d = data.get((s, p))
        if not f or not d: cells += ["", ""]; continue
        mk = mark(d) + mark(f)
        cells += [ratio(f["t"], d["t"]) + mk, ratio(f["m"], d["m"]) + mk]
    lines.append(f"| {s} | " + " | ".join(cells) + " |")
lines.append("\nCPU time (user + system, median) folio / peer, less sensitive than wall time to other work")
lines.append("on the machine:\n")
lines.append("| scenario | vs qpdf | vs mutool | vs pdftk |")
lines.append("|---|---:|---:|---:|")
for s in scens:
    f = data.get((s, "folio"))
    cells = [ratio(f["cpu"], data[(s, p)]["cpu"]) + mark(data[(s, p)]) + mark(f) if f and (s, p) in data else ""
             for p in peers]
    lines.append(f"| {s} | " + " | ".join(cells) + " |")
lines.append("\n## Measurements\n")
lines.append("| scenario | tool | median wall s | min–max wall s | median CPU s (user+sys) | median peak RSS MiB | output check |")
lines.append("|---|---|---:|---:|---:|---:|---|")
for s in scens:
    for t in ["folio"] + peers:
        d = data.get((s, t))
        if not d: continue
        st = d["st"] if ok(d) else f"**{d['st']}**"
        lines.append(f"| {s} | {t} | {d['t']:.3f} | {d['lo']:.3f}–{d['hi']:.3f} | {d['cpu']:.2f} | {d['m'] / 1024:.1f} | {st} |")
lines.append("\nEvery output is checked with `qpdf --check` (with `--password=u` for the encrypted ones),")
lines.append("`qpdf --show-npages` against the expected page count, and the text (`pdftotext`) of three or")
lines.append("four sample pages against the input page each should come from; the encrypted outputs must")
lines.append("also need the user password and use revision 3 (RC4 128-bit).\n")
loads = {s: float(load.get(s, "0").split()[0]) for s in scens}
lines.append("## Load\n")
lines.append("| scenario | load average (1, 5, 15 min) before it |")
lines.append("|---|---|")
for s in scens: lines.append(f"| {s} | {load.get(s, '')} |")
if max(loads.values(), default=0) > nproc * 0.75:
    lines.append(f"\n**These timings were taken on a shared machine**: the load average reached "
                 f"{max(loads.values()):.2f} on {nproc} processors, so other work competed for the CPU and "
                 "wall times are noisy (compare the min–max spread). The memory figures and the ratios "
                 "of a scenario are less affected than the absolute times.")
lines.append("\n## Commands\n")
lines.append("Run in `bench/work/`; `folio` is the binary named under Machine. The page lists of delete-odd")
lines.append("(5 000 numbers) and the 200 file names are shortened here; the script passes them in full.")
lines.append("Each timed run is `/usr/bin/time -f '%U %S %M' COMMAND`, its wall time taken by the shell around it.\n")
for s in scens:
    lines.append(f"**{s}**\n")
    lines.append("```")
    for t in ["folio"] + peers:
        d = data.get((s, t))
        if d:
            c = short(d["cmd"])
            if c.startswith("sh -c "):
                # a report written to a file: the command the shell runs
                c = c[len("sh -c "):]
                if t == "folio":
                    c = c.rsplit(" ", 1)[0].replace('"$0"', "folio", 1)
            else:
                c = c.split(" ", 1)
                c = ("folio " + c[1]) if t == "folio" else " ".join(c)
            lines.append(c)
    lines.append("```\n")
head = open(head_f).read()
open(out_f, "w").write(head + "\n" + "\n".join(lines) + "\n")
# The ratio table and the measurements also go to the terminal.
print("\n".join(lines[:next(i for i, l in enumerate(lines) if l.startswith("\nEvery output"))]))
EOF
  log "wrote $BENCH/RESULTS.md"
}

main "$@"
