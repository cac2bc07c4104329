#!/usr/bin/env bash
# Measures what a program costs while it waits for a key, and how soon it
# sees a key: the surface probe in a private X server.
#   bench/wait_idle.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=$(mktemp)
source tools/xvfb.sh
trap 'kill ${probe:-} $_xvfb_pid 2>/dev/null; rm -f "$_xvfb_number" "$out"' EXIT
(cd /tmp && exec "$OLDPWD/$build/bin/surface_probe") >"$out" &
probe=$!
for _ in $(seq 100); do grep -q READY "$out" && break; sleep 0.05; done
w=$(xdotool search --onlyvisible --pid $probe | tail -1)
ticks() { awk '{print $14 + $15}' /proc/$probe/stat; }
hz=$(getconf CLK_TCK)
t0=$(ticks); sleep 10; t1=$(ticks)
echo "idle CPU while waiting for a key: $((t1 - t0)) ticks of 1/$hz s in 10 s ($(awk "BEGIN{print ($t1-$t0)/$hz/10*100}") %)"
# Latency: from just before xdotool sends a key to the probe's line, less the
# time xdotool itself takes for the same key to a window that ignores it.
lat=(); base=()
for i in $(seq 21); do
  n=$(grep -c KEY "$out" || true)
  s=$(date +%s%N); xdotool key --window "$w" x
  while [ "$(grep -c KEY "$out" || true)" -le "$n" ]; do :; done
  e=$(date +%s%N); lat+=($(( (e - s) / 1000 )))
  s=$(date +%s%N); xdotool key --window "$(xdotool search --onlyvisible --pid $probe | tail -1)" shift; e=$(date +%s%N); base+=($(( (e - s) / 1000 )))
done
median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }
echo "key to program, median of 21: $(median "${lat[@]}") us (xdotool alone: $(median "${base[@]}") us)"
