#!/usr/bin/env bash
# A whole boot on the simulated handheld: kestrel boots the demo kernel on
# the prepared W-ZERO3 example with a memory-disk image of 0, 4 and 12 MiB
# (the PXA-2x0 loader places everything in the first 16 MiB of SDRAM),
# which the second-stage loader copies word by word in the emulated CPU.
# Prints figures; asserts nothing.
# Usage: bench/boot.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target kestrel kestrel-util kestrel_demo >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seconds() { # runs "$@" with its output dropped; prints the wall time
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || echo "(failed)" >&2
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }'
}

for mib in 0 4 12; do
    device="$work/wzero3-$mib"
    cp -r "$build/examples/wzero3" "$device"
    card="$device/root/Storage Card"
    settings=("pauseBeforeBoot=0")
    if ((mib > 0)); then
        head -c $((mib << 20)) /dev/urandom >"$card/miniroot.fs"
        settings+=("rootDevice=md" "imageName=miniroot.fs")
    fi
    "$build/host/tools/kestrel-util" config set "$card/kestrel.cnf" "${settings[@]}" >/dev/null
    for run in 1 2 3; do
        t=$(seconds "$build/host/tools/kestrel" --device "$device" --press boot)
        awk -v m="$mib" -v r="$run" -v t="$t" 'BEGIN {
            printf "image %2d MiB, run %d: %6.3f s from start to the halted kernel", m, r, t
            if (m > 0) printf " (%.1f MiB/s)", m / t
            printf "\n" }'
    done
done

bash bench/plan.sh "$build"
