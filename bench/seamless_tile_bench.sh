#!/usr/bin/env bash
# seamless-tile as whole processes, PNG in and PNG out, each beside its
# reference measured in the same run, runs interleaved:
#   1. a 1024 x 1024 photo-like picture: seamless-tile against the
#      equivalent ImageMagick command (roll by half, composite through the
#      same mask), whose result must be the same pixels; and the cut;
#   2. 100 pictures of 256 x 256: one batch call against 100 separate calls.
# Prints medians in milliseconds and the ratios. PNG reading and writing
# alone: build/bench/png_bench.
#   bench/seamless_tile_bench.sh [runs]      (after tools/setup.sh; default 5 runs)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
tool=$PWD/build/bin/seamless-tile
photo=$PWD/build/bin/make_photo
convert=/usr/bin/convert
for f in "$tool" "$photo" "$convert"; do
  [ -x "$f" ] || { echo "missing $f (run tools/setup.sh)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Microseconds one command takes, its output thrown away.
micros() {
  local t0 t1
  t0=$(date +%s%N)
  "$@" >/dev/null 2>&1
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000))
}
median_ms() { sort -n | awk '{a[NR] = $1} END {printf "%.1f", a[int((NR + 1) / 2)] / 1000}'; }

"$photo" "$work/photo.png" 1024 1
# The mask seamless-tile makes for this picture, as a grey PNG for ImageMagick.
"$tool" --save-mask "$work/mask.png" "$work/photo.png" "$work/tile.png"
im() {
  "$convert" "$work/photo.png" \( +clone -roll +512+512 \) \
    \( "$work/mask.png" -channel B -separate +channel -sample 1024x1024! -negate \) -composite "$work/im.png"
}
ours() { "$tool" "$work/photo.png" "$work/tile.png"; }
cut() { "$tool" --method cut "$work/photo.png" "$work/cut.png"; }
im
same=$("$convert" "$work/tile.png" "$work/im.png" -metric AE -compare -format '%[distortion]' info: 2>/dev/null || true)

: >"$work/ours.t"
: >"$work/im.t"
: >"$work/cut.t"
for _ in $(seq "$runs"); do
  micros ours >>"$work/ours.t"
  micros im >>"$work/im.t"
  micros cut >>"$work/cut.t"
done
a=$(median_ms <"$work/ours.t")
b=$(median_ms <"$work/im.t")
c=$(median_ms <"$work/cut.t")
echo "1024 x 1024 photo-like picture, median of $runs runs:"
echo "  seamless-tile IN OUT                                   $a ms  ($(stat -c %s "$work/tile.png") bytes)"
echo "  convert IN ( +clone -roll +512+512 ) ( MASK -channel B -separate +channel -sample 1024x1024! -negate ) -composite OUT"
echo "                                                         $b ms  ($(stat -c %s "$work/im.png") bytes)"
echo "  ratio $(awk -v a="$a" -v b="$b" 'BEGIN {printf "%.1f", b / a}')x; pixels that differ between the two results: $same"
echo "  seamless-tile --method cut IN OUT                      $c ms  ($(stat -c %s "$work/cut.png") bytes)"

mkdir -p "$work/many"
for i in $(seq 100); do "$photo" "$work/many/p$i.png" 256 "$i"; done
batch() { "$tool" -o "$work/batch" "$work"/many/*.png; }
separate() { for i in $(seq 100); do "$tool" "$work/many/p$i.png" "$work/one/p$i.png" || return 1; done; }
mkdir -p "$work/one"
n=$(((runs + 1) / 2))
: >"$work/batch.t"
: >"$work/separate.t"
for _ in $(seq "$n"); do
  micros batch >>"$work/batch.t"
  micros separate >>"$work/separate.t"
done
a=$(median_ms <"$work/batch.t")
b=$(median_ms <"$work/separate.t")
echo "100 pictures of 256 x 256, median of $n runs ($(nproc) cores):"
echo "  one batch call (seamless-tile -o DIR IN...)            $a ms"
echo "  100 separate calls                                     $b ms"
echo "  ratio $(awk -v a="$a" -v b="$b" 'BEGIN {printf "%.1f", b / a}')x"
