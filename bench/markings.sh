#!/usr/bin/env bash
# Measures the cost of markings and thumbnails with folio: stamping 10 000 equal pages
# against copying the same file, and stamping or attaching a 4000 x 3000 photo against a
# plain copy of a one-page file. Prints wall time, CPU time and peak memory of the median
# run, and checks every output with qpdf. Uses build/release/cli/folio unless FOLIO names
# another binary. Inputs are made in bench/work/markings/ (git-ignored).
#
#   bench/markings.sh            (BENCH_RUNS=N timed runs per command, default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
folio=${FOLIO:-build/release/cli/folio}
runs=${BENCH_RUNS:-5}
work=bench/work/markings
mkdir -p "$work"
[[ -x "$folio" ]] || { echo "no folio at $folio (build the release preset or set FOLIO)" >&2; exit 2; }

page=tests/data/glpk-cnfsat.pdf
if [[ ! -f $work/big10k.pdf ]]; then
  args=()
  for _ in $(seq 1 2000); do args+=("$page" 1-5); done
  qpdf --empty --pages "${args[@]}" -- --object-streams=disable "$work/big10k.pdf"
fi
if [[ ! -f $work/photo.jpg ]]; then
  # A photo-like picture: coarse noise enlarged and softened, over two gradients. Noise
  # compresses badly, so this is a hard case for the conversion's Flate step.
  /usr/bin/python3 - "$work/photo.jpg" <<'EOF'
import sys
from PIL import Image, ImageFilter
w, h = 4000, 3000
noise = Image.effect_noise((w // 4, h // 4), 60).convert('L').resize((w, h))
r = Image.linear_gradient('L').resize((w, h))
g = r.rotate(90).resize((w, h))
photo = Image.merge('RGB', (Image.blend(noise, r, 0.5), Image.blend(noise, g, 0.5), noise))
photo.filter(ImageFilter.GaussianBlur(1)).save(sys.argv[1], quality=90)
EOF
fi

# Runs a command `runs` times; prints the median wall time, its CPU time and peak memory.
measure() {
  local name=$1
  shift
  local results=()
  for _ in $(seq 1 "$runs"); do
    results+=("$(/usr/bin/time -f '%e %U %S %M' "$@" 2>&1 >/dev/null | tail -1)")
  done
  printf '%s\n' "${results[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p" |
    awk -v n="$name" '{printf "%-28s wall %6.2f s  cpu %6.2f s  peak %7.1f MB\n", n, $1, $2 + $3, $4 / 1024}'
}

out=$work/out.pdf
letter=tests/data/groff-letter.pdf
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
measure "copy 10 000 pages" "$folio" copy -q "$work/big10k.pdf" -o "$out"
measure "stamp text on 10 000 pages" "$folio" stamp -q "$work/big10k.pdf" --text CONFIDENTIAL --angle 45 -o "$out"
qpdf --check "$out" >/dev/null
measure "stamp picture, 10 000 pages" "$folio" stamp -q "$work/big10k.pdf" --image tests/data/pictures/logo-rgba.png -o "$out"
qpdf --check "$out" >/dev/null
measure "copy one page" "$folio" copy -q "$letter" -o "$out"
measure "stamp a 4000 x 3000 photo" "$folio" stamp -q "$letter" --image "$work/photo.jpg" --width 300 --height 225 -o "$out"
qpdf --check "$out" >/dev/null
measure "thumbnail of the photo" "$folio" thumbs -q "$letter" --set "1=$work/photo.jpg" -o "$out"
qpdf --check "$out" >/dev/null
