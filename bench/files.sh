#!/usr/bin/env bash
# Reading a gzip-compressed kernel-sized file: kestrel-util cat against
# gzip -dc in the same run, and the read patterns of a boot (an image's and
# a kernel's) against one sequential read: time, bytes inflated per content
# byte, checkpoint memory. Prints figures; asserts nothing.
# Usage: bench/files.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target kestrel-util bench_files >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/device/root"
echo "profile = jornada720" >"$work/device/machine.conf"

# 49 MiB of pseudo-random text over 32 symbols: gzip(1) makes about 32 MiB of it.
python3 -c '
import random, sys
r = random.Random(1)
table = bytes(b % 32 + 64 for b in range(256))
sys.stdout.buffer.write(r.randbytes(49 << 20).translate(table))' >"$work/content"
gzip -c -6 "$work/content" >"$work/device/root/kernel.gz"
content=$(stat -c %s "$work/content")
stored=$(stat -c %s "$work/device/root/kernel.gz")
echo "file: $stored bytes made by gzip -6 from $content bytes"

seconds() { # runs "$@" with its output dropped; prints the wall time
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }'
}
for run in 1 2 3; do
    g=$(seconds gzip -dc "$work/device/root/kernel.gz")
    k=$(seconds "$build/host/tools/kestrel-util" cat "$work/device/root" kernel.gz)
    awk -v r="$run" -v g="$g" -v k="$k" -v c="$content" 'BEGIN {
        m = c / 1048576
        printf "run %d: gzip -dc %6.3f s (%6.1f MiB/s)   kestrel-util cat %6.3f s (%6.1f MiB/s)   cat/gzip %.2f\n",
            r, g, m / g, k, m / k, k / g }'
done
if ! cmp -s <("$build/host/tools/kestrel-util" cat "$work/device/root" kernel.gz 2>/dev/null) "$work/content"; then
    echo "note: kestrel-util cat did not reproduce the content"
fi

# The read patterns on the whole file and on a kernel-sized 4 MiB part of it.
head -c $((4 << 20)) "$work/content" | gzip -c -9 >"$work/device/root/kernel4.gz"
"$build/bench/bench_files" "$work/device" kernel.gz
"$build/bench/bench_files" "$work/device" kernel4.gz
