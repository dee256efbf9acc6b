#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs each one for a bounded time, starting
# from its committed seed corpus. A crash, a sanitizer report or a broken
# property fails the run; the input that caused it is kept in
# <build>/artifacts/ and printed.
#   fuzz/run.sh            every target, FUZZ_SECONDS (15) each
#   fuzz/run.sh encoding   one target
set -euo pipefail

cd "$(dirname "$0")/.."
build_dir="${FUZZ_BUILD_DIR:-build-fuzz}"
seconds="${FUZZ_SECONDS:-15}"
targets=("$@")
((${#targets[@]})) || targets=(directoryfile keywordfile colortext encoding contacts)

packages=(clang libclang-rt-14-dev cmake ninja-build qt6-base-dev)
missing=()
for pkg in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$pkg")
done
if ((${#missing[@]})); then
    echo "Installing from Debian: ${missing[*]}"
    sudo_cmd=()
    [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVEL_BUILD_FUZZ=ON -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" --parallel --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
mkdir -p "$build_dir/artifacts"
failed=()
summary=()
for target in "${targets[@]}"; do
    # New inputs go to a scratch folder; the committed seeds stay as they are.
    work="$build_dir/corpus/$target"
    mkdir -p "$work"
    log="$build_dir/fuzz_$target.log"
    echo "== fuzz_$target: ${seconds}s"
    if "$build_dir/fuzz/fuzz_$target" "$work" "fuzz/corpus/$target" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
        -artifact_prefix="$build_dir/artifacts/${target}-" -print_final_stats=1 >"$log" 2>&1; then
        runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -1)
        summary+=("fuzz_$target: ${runs:-?} executions, no failure")
    else
        failed+=("$target")
        summary+=("fuzz_$target: FAILED")
        tail -n 40 "$log"
        for artifact in "$build_dir/artifacts/${target}-"*; do
            [[ -e $artifact ]] || continue
            echo "input $artifact:"
            od -A d -c "$artifact" | head -20
        done
    fi
done
printf '%s\n' "${summary[@]}"
echo "fuzz: $((${#targets[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
((${#failed[@]} == 0))
