#!/usr/bin/env bash
# Installs what the project needs (Debian packages, only those missing) and
# builds it.
#   tools/setup.sh          the programs only, into build/ (what ./run.sh needs)
#   tools/setup.sh --tests  also the tests, benchmarks and tools into build/,
#                           and the sanitizer build into build-asan/
#   tools/setup.sh --fuzz   only installs the packages tools/fuzz.sh needs
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-}

packages=(g++ cmake ninja-build pkg-config libsdl2-dev libstb-dev libcli11-dev nlohmann-json3-dev zlib1g-dev graphviz)
case "$mode" in
  --tests) packages+=(libgtest-dev libgmock-dev libbenchmark-dev libx11-dev xvfb xauth xdotool imagemagick) ;;
  --fuzz) packages+=(clang libclang-rt-14-dev) ;;
  "") ;;
  *) echo "usage: tools/setup.sh [--tests | --fuzz]" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

jobs=$(nproc)
if [ "$mode" = "--fuzz" ]; then
  exit 0
elif [ "$mode" = "--tests" ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DBUILD_BENCH=ON >/dev/null
  cmake --build build -j "$jobs"
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON -DBUILD_TESTING=ON -DBUILD_BENCH=OFF >/dev/null
  cmake --build build-asan -j "$jobs"
else
  # A build folder that already has the tests keeps them.
  [ -f build/CMakeCache.txt ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
  cmake --build build -j "$jobs" --target programs
fi
