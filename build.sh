#!/usr/bin/env bash
# Builds Quorvel on Debian 12 and then runs it or its tests.
#   ./build.sh run    install what is missing, build the program only, start it
#   ./build.sh test   install what is missing, build everything, run every test
set -euo pipefail

cd "$(dirname "$0")"
mode="${1:-run}"
build_dir="${BUILD_DIR:-build}"

case "$mode" in
run | test) ;;
*)
    echo "usage: $0 [run|test]" >&2
    exit 2
    ;;
esac

# qt6-tools-dev and qt6-l10n-tools build the translations, qt6-translations-l10n
# holds Qt's own (the buttons of message boxes).
# python3-vobject and abook: independent vCard readers the tests check exports against.
# qtkeychain-qt6-dev keeps the sync password in the desktop's keyring; radicale and
# vdirsyncer are the contacts server and the second client the sync tests run.
packages=(g++ cmake ninja-build qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
    libgtest-dev fonts-liberation python3-vobject abook qtkeychain-qt6-dev radicale vdirsyncer)

missing=()
for pkg in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$pkg")
    fi
done
if ((${#missing[@]})); then
    echo "Installing from Debian: ${missing[*]}"
    sudo_cmd=()
    if [[ $(id -u) -ne 0 ]]; then
        sudo_cmd=(sudo)
    fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}"

case "$mode" in
run)
    # The program alone: the tests and benchmarks wait for ./build.sh test.
    cmake --build "$build_dir" --parallel --target quorvel
    exec "$build_dir/bin/quorvel"
    ;;
test)
    cmake --build "$build_dir" --parallel
    cd "$build_dir"
    exec ctest --output-on-failure --parallel 2
    ;;
esac
