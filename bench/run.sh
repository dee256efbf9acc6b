#!/usr/bin/env bash
# Builds the benchmarks in release mode and prints Quorvel's performance table.
# Run after the README's set-up (./build.sh test or ./build.sh run has
# installed the build tools), on a quiet machine. Installs Debian's abook, the
# peer the start-up and contact import figures are compared with, when it is
# missing. Prints the interaction table (interaction_bench: the real program
# driven by input events, at 100,000 and 1,000,000 entries), the main table,
# then one search keystroke (search_bench), a letter tab (letter_bench), then
# contact export and import (contacts_bench) and the sync (sync_bench). The build uses
# CMAKE_BUILD_PARALLEL_LEVEL jobs when it is set.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v abook >/dev/null; then
    sudo_cmd=()
    [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq abook ||
        echo "abook could not be installed; its figure is skipped"
fi
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench --target interaction_bench quorvel_bench search_bench contacts_bench \
    letter_bench save_bench sync_bench | grep -v "^\[" || true
build-bench/bench/interaction_bench
build-bench/bench/quorvel_bench
build-bench/bench/search_bench
build-bench/bench/letter_bench
build-bench/bench/save_bench
build-bench/bench/contacts_bench
# Against a local Radicale; SYNC_BENCH_ENTRIES / SYNC_BENCH_RUNS make it smaller.
exec build-bench/bench/sync_bench
