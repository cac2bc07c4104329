# Sourced by the scripts that need a private X server: starts Xvfb on a free
# display (it picks one itself), exports DISPLAY and stops it on exit.
_xvfb_number=$(mktemp)
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$_xvfb_number" >/dev/null 2>&1 &
_xvfb_pid=$!
trap 'kill $_xvfb_pid 2>/dev/null; rm -f "$_xvfb_number"' EXIT
for _ in $(seq 50); do [ -s "$_xvfb_number" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$_xvfb_number")"
