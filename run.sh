#!/usr/bin/env bash
# Sets everything up and starts Brindle on the sample story.
# Keys: the letters shown in the option bar choose, Tab shows the gallery,
# Backspace the progress, Escape ends.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh --player
exec build/bin/Brindle
