#!/usr/bin/env bash
# One entry for setting up, building and running on Debian 12.
#   scripts/dev.sh run    install what is missing, build optimised, start the game
#   scripts/dev.sh test   install what is missing, build with ASan+UBSan, run every test
#   scripts/dev.sh tsan   the same with ThreadSanitizer (build/tsan), without the fuzz targets
#   scripts/dev.sh ranking  build optimised, start the local ranking server and the game with
#                           network ranking on, on drive folders of their own (build/ranking)
# Arguments after test or tsan go to ctest: -R zq_thread runs test_zq_thread.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"

mode=${1:-}
case "$mode" in
    run|test|tsan|ranking) shift ;;
    *) echo "usage: scripts/dev.sh run|test|tsan|ranking [args]" >&2; exit 2 ;;
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
    # Lets ccache keep the files that use the tests' precompiled header.
    export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros}
fi
jobs=$(nproc)

clang=()
if command -v clang++ >/dev/null 2>&1; then
    clang=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
fi

if [ "$mode" = run ] || [ "$mode" = ranking ]; then
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZQ_TESTS=OFF "${launcher[@]}"
    cmake --build build/release -j "$jobs"
    if [ "$mode" = ranking ]; then
        # Drives of their own, with network ranking (setting 16) on, and the local server.
        state="$here/build/ranking"
        for d in e f; do
            mkdir -p "$state/drive_$d/SPORTS_OPTION"
            [ -f "$state/drive_$d/SPORTS_OPTION/testmode.dat" ] ||
                build/release/bin/zqopdata --settings --set 16=1 \
                    "$state/drive_$d/SPORTS_OPTION/testmode.dat"
        done
        export DORVANEX_DRIVE_E="$state/drive_e" DORVANEX_DRIVE_F="$state/drive_f"
        build/release/bin/zqrankserver --state "$state/server" >"$state/server.env" &
        server=$!
        trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true' EXIT
        for _ in $(seq 100); do
            [ "$(grep -c = "$state/server.env" 2>/dev/null)" -ge 3 ] && break
            kill -0 "$server" 2>/dev/null || { echo "dev.sh: the ranking server did not start" >&2; exit 1; }
            sleep 0.1
        done
        while IFS= read -r line; do
            export "${line?}"
        done <"$state/server.env"
        cat "$state/server.env"
    fi
    # Without a sound card or sound server the game cannot start its sound engine: play into
    # SDL's silent driver instead, and say so.
    if [ -z "${SDL_AUDIODRIVER:-}" ] && ! ls /dev/snd/pcm* >/dev/null 2>&1 &&
        [ ! -S "${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native" ] &&
        [ ! -S "${XDG_RUNTIME_DIR:-/nonexistent}/pipewire-0" ]; then
        echo "dev.sh: no sound device found; running with SDL_AUDIODRIVER=dummy (silent)" >&2
        export SDL_AUDIODRIVER=dummy
    fi
    if [ "$mode" = ranking ]; then
        build/release/bin/dorvanex "$@"
        exit $?
    fi
    exec build/release/bin/dorvanex "$@"
elif [ "$mode" = test ]; then
    # One sanitizer build serves the tests and the fuzz targets: clang when it is there (the
    # fuzz targets need it), else the default compiler without them.
    fuzz=()
    [ ${#clang[@]} -eq 0 ] || fuzz=(-DZQ_FUZZ=ON)
    cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZQ_SANITIZE=ON -DZQ_TESTS=ON \
        "${clang[@]}" "${fuzz[@]}" "${launcher[@]}"
    cmake --build build/asan -j "$jobs"
    cd build/asan
    # A filter that matches no test fails rather than passing with nothing run.
    ctest --output-on-failure --no-tests=error -j "$jobs" --timeout 300 "$@"
else
    cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZQ_TSAN=ON -DZQ_TESTS=ON \
        -DZQ_BENCH=OFF "${clang[@]}" "${launcher[@]}"
    cmake --build build/tsan -j "$jobs"
    cd build/tsan
    ctest --output-on-failure --no-tests=error -j "$jobs" --timeout 300 "$@"
fi
