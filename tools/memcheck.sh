#!/usr/bin/env bash
# A scripted Brindle session of 200+ key presses on the sample story under
# valgrind memcheck; prints valgrind's error and leak summary.
#   tools/memcheck.sh
set -euo pipefail
cd "$(dirname "$0")/.."
log=$(mktemp)
source tools/xvfb.sh
valgrind --suppressions=tools/valgrind.supp --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite --log-file="$log" build/bin/Brindle &
pid=$!
sleep 10  # valgrind starts slowly; the first windows shown may be helpers that go away
w=""
for _ in $(seq 600); do w=$(xdotool search --onlyvisible --name '^Brindle$' 2>/dev/null | tail -1) && [ -n "$w" ] && break; sleep 0.1; done
# Through the story and back, with the gallery and the progress on and off.
walk="n m p b s k b a b b e r b w d e k b b w space o g b f c s"
count=0
for round in 1 2 3 4 5 6 7; do
  for k in $walk Tab BackSpace Up Return; do
    xdotool key --window "$w" "$k" || true; count=$((count + 1)); sleep 0.15
  done
done
xdotool key --window "$w" Escape 2>/dev/null || true
status=0; wait $pid || status=$?
echo "$count key presses; exit status $status"
grep -E "ERROR SUMMARY|definitely lost|indirectly lost|Invalid" "$log" || true
cp "$log" /tmp/memcheck.log; rm -f "$log"
