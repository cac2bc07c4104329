#!/usr/bin/env bash
# Takes the README's screenshots from the real programs in a private X
# server: docs/brindle-*.png, docs/quiltify.png, docs/patchwise.png.
# Run after tools/setup.sh has built the programs.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/xvfb.sh

window_of() {  # waits for the program's window
  for _ in $(seq 100); do
    w=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -1) && [ -n "$w" ] && { echo "$w"; return; }
    sleep 0.1
  done
  echo "no window for $1" >&2; exit 1
}
shot() { sleep 0.6; /usr/bin/import -window root "docs/$1.png"; }
keys() { xdotool key --delay 150 --window "$w" "$@"; }

build/bin/Brindle & pid=$!
w=$(window_of $pid)
shot brindle-start
keys n; shot brindle-village
keys m; keys b a; keys b b w d; keys Tab; shot brindle-gallery
keys Tab BackSpace; shot brindle-progress
keys Escape 2>/dev/null || true; wait $pid

for demo in Quiltify Patchwise; do
  build/bin/$demo & pid=$!
  w=$(window_of $pid)
  shot "$(echo $demo | tr A-Z a-z)"
  keys Escape 2>/dev/null || true; wait $pid
done
echo "screenshots written to docs/"
