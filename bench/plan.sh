#!/usr/bin/env bash
# The cost of a simulated handheld's start and of the system's preparation
# of a boot, without the jump: kestrel-util plan of the demo kernel (gzip'd
# on the examples' storage cards), in CPU seconds. Prints figures only.
# Usage: bench/plan.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target kestrel-util kestrel_demo >/dev/null

TIMEFORMAT='%U %S'
for machine in jornada720 wzero3; do
    cpu=$( { time "$build/host/tools/kestrel-util" plan --device "$build/examples/$machine" \
        '\Storage Card\' keldos.gz >/dev/null 2>&1; } 2>&1 )
    awk -v m="$machine" -v t="$cpu" 'BEGIN { split(t, p, " ");
        printf "plan of the demo kernel on %s: %.3f s of CPU\n", m, p[1] + p[2] }'
done

# An 8 MiB kernel, plain and gzip'd: what plan spends on decoding, as a
# multiple of one decode (kestrel-util cat of the same file, less cat of the
# plain one). The boot reads the section headers at the end of the file
# before it can size the reservation, then the segments from the start, so
# two decodes are the least a gzip'd kernel costs; plan's check then reads
# the file once more to compare the chain with it: three in all.
cmake --build "$build" --target kestrel_kernels >/dev/null
kernel="$build/kernels/kernel-8m.elf"
if [ -f "$kernel" ] && command -v valgrind >/dev/null; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    # The padding of the test kernel is random and does not compress; the
    # copy gets text over 32 symbols in its place, which gzip takes to about
    # 60 per cent, as it does a real kernel.
    python3 - "$kernel" "$build/kernels/pad-8m.bin" "$work/kernel" <<'PY'
import random, sys
elf = bytearray(open(sys.argv[1], "rb").read())
pad = open(sys.argv[2], "rb").read()
at = elf.find(pad[:64])
table = bytes(b % 32 + 64 for b in range(256))
elf[at:at + len(pad)] = random.Random(1).randbytes(len(pad)).translate(table)
open(sys.argv[3], "wb").write(elf)
PY
    gzip -6 -c "$work/kernel" >"$work/kernel.gz"
    # Counted in instructions (callgrind), which repeat exactly from run to
    # run whatever else the machine does; CPU seconds of runs this short do not.
    instructions() {
        valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
            sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
    }
    util="$build/host/tools/kestrel-util"
    pp=$(instructions "$util" plan --profile jornada720 "$work" kernel)
    pg=$(instructions "$util" plan --profile jornada720 "$work" kernel.gz)
    cp_=$(instructions "$util" cat "$work" kernel)
    cg=$(instructions "$util" cat "$work" kernel.gz)
    awk -v pp="$pp" -v pg="$pg" -v cp="$cp_" -v cg="$cg" -v s="$(stat -c %s "$work/kernel.gz")" 'BEGIN {
        d = cg - cp
        printf "plan of an 8 MiB kernel (%d bytes gzip'\''d): plain %.0f M, gzip'\''d %.0f M instructions; one decode (cat) %.0f M; plan decodes x%.2f\n",
            s, pp / 1e6, pg / 1e6, d / 1e6, (d > 0 ? (pg - pp) / d : 0) }'
fi
