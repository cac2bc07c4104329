#!/usr/bin/env bash
# Makes docs/figures.png, the author's guide picture of where one, two and
# four figures stand on a page: the three pages of tools/figures_story,
# rendered by brindle-story as a contact sheet with the sample story's font
# and pictures. Run from anywhere after building (./run.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
story=$(mktemp -d)
trap 'rm -rf "$story"' EXIT
mkdir -p "$story/Brindle/Assets"
cp -r Brindle/Assets/Fonts Brindle/Assets/Sprites "Brindle/Assets/VGA Table.seq" "$story/Brindle/Assets/"
cp -r tools/figures_story/Pages "$story/Brindle/Assets/"
build/bin/brindle-story render "$story" --sheet docs/figures.png --columns 3
