#!/usr/bin/env bash
# Installs what the project needs (Debian packages, only those missing) and
# builds it.
#   tools/setup.sh --player Brindle and the demos only, into build/ (what ./run.sh needs)
#   tools/setup.sh          every shipped program: also brindle-story, seamless-tile
#                           and, where Emscripten is installed, the web player
#   tools/setup.sh --tests  also the tests, benchmarks and tools into build/,
#                           and the sanitizer build into build-asan/
#   tools/setup.sh --fuzz   only installs the packages tools/fuzz.sh needs
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-}

packages=(g++ cmake ninja-build pkg-config libsdl2-dev libx11-dev libstb-dev libcli11-dev nlohmann-json3-dev zlib1g-dev)
case "$mode" in
  --player) ;;
  "") packages+=(graphviz libdeflate-dev) ;;
  --tests) packages+=(graphviz libdeflate-dev libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth xdotool imagemagick
                     emscripten chromium) ;;
  --fuzz) packages+=(clang libclang-rt-14-dev) ;;
  *) echo "usage: tools/setup.sh [--player | --tests | --fuzz]" >&2; exit 2 ;;
esac
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

jobs=$(nproc)
if [ "$mode" != "--fuzz" ] && [ "$mode" != "--player" ] && ! command -v emcmake >/dev/null; then
  echo "Emscripten is not installed: the web player is not built (brindle-story web says so)"
fi
if [ "$mode" = "--tests" ]; then
  # The browser tests' driver, exactly as tests/web/package-lock.json pins it.
  command -v npm >/dev/null || { $sudo apt-get install -y -qq --no-install-recommends npm >/dev/null; }
  if [ ! -f tests/web/node_modules/.package-lock.json ] ||
     [ tests/web/package-lock.json -nt tests/web/node_modules/.package-lock.json ]; then
    npm ci --prefix tests/web --no-audit --no-fund --loglevel=error
  fi
fi
if [ "$mode" = "--fuzz" ]; then
  exit 0
elif [ "$mode" = "--tests" ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DBUILD_BENCH=ON >/dev/null
  cmake --build build -j "$jobs"
  web=""
  [ -f build/bin/brindle-web-player.html ] && web="-DWEB_PLAYER_PREBUILT=$PWD/build/bin/brindle-web-player.html"
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON -DBUILD_TESTING=ON -DBUILD_BENCH=OFF $web >/dev/null
  cmake --build build-asan -j "$jobs"
else
  # A build folder that already has the tests keeps them.
  [ -f build/CMakeCache.txt ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
  target=programs
  [ "$mode" = "--player" ] && target=player
  cmake --build build -j "$jobs" --target $target
fi
