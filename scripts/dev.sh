#!/usr/bin/env bash
# One entry for setting up, building and running on Debian 12.
#   scripts/dev.sh run    install what is missing, build optimised, start the game
#   scripts/dev.sh test   install what is missing, build with ASan+UBSan, run every test
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"

mode=${1:-}
case "$mode" in
    run|test) shift ;;
    *) echo "usage: scripts/dev.sh run|test [args]" >&2; exit 2 ;;
esac

# Install the missing packages only; a warm machine pays one dpkg query.
mapfile -t pkgs < <(grep -vE '^\s*(#|$)' scripts/packages.txt)
missing=()
for p in "${pkgs[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
jobs=$(nproc)

if [ "$mode" = run ]; then
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZQ_TESTS=OFF "${launcher[@]}"
    cmake --build build/release -j "$jobs"
    exec build/release/bin/dorvanex "$@"
else
    # The fuzz targets need clang and a libzq built with coverage: a build of their own, which
    # the test build then runs for a few seconds per target.
    fuzz=()
    if command -v clang++ >/dev/null 2>&1; then
        cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
            -DCMAKE_CXX_COMPILER=clang++ -DZQ_SANITIZE=ON -DZQ_FUZZ=ON -DZQ_TESTS=OFF \
            -DZQ_BENCH=OFF "${launcher[@]}"
        cmake --build build/fuzz -j "$jobs" --target zq_fuzz_targets
        fuzz=(-DZQ_FUZZ_BUILD_DIR="$here/build/fuzz")
    fi
    cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZQ_SANITIZE=ON -DZQ_TESTS=ON \
        "${launcher[@]}" "${fuzz[@]}"
    cmake --build build/asan -j "$jobs"
    cd build/asan
    ctest --output-on-failure -j "$jobs" --timeout 300 "$@"
fi
