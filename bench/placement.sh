#!/usr/bin/env bash
# Placement on the realistic memory layout (Windows CE keeps its first MiB,
# free frames come from all over RAM): kestrel-util plan prepares boots of
# 1, 4 and 8 MiB kernels, with and without an 8 MiB memory-disk image, on
# every example machine for SEEDS frame orders, and prints per machine and
# load the pages the boot needs, the pages reserved from Windows CE (set
# aside inside the destinations included), and the share of boots whose
# every byte landed. Prints figures; asserts nothing.
# Usage: bench/placement.sh [SEEDS] [BUILD_DIR]   (default: 20 build)
set -euo pipefail
cd "$(dirname "$0")/.."
seeds=${1:-20}
build=${2:-build}
cmake --build "$build" --target kestrel-util kestrel_kernels >/dev/null
kernels="$(cd "$build/kernels" && pwd)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf "%-11s %-22s %9s %9s %9s %8s\n" machine load needed reserved "set aside" placed
for machine in jornada720 ipaq3900 wzero3; do
    prefix=kernel-
    [[ $machine == jornada720 ]] || prefix=kernel-pxa-
    for load in "1m" "4m" "8m" "1m image-8m.fs" "4m image-8m.fs" "8m image-8m.fs"; do
        set -- $load
        kernel="$prefix$1.elf"
        image=${2:-}
        needed=0 reserved=0 aside=0 placed=0
        for ((seed = 1; seed <= seeds; seed++)); do
            device="$work/$machine"
            rm -rf "$device"
            mkdir -p "$device/root"
            printf 'profile = %s\nmemory.seed = %d\n' "$machine" "$seed" >"$device/machine.conf"
            ln -s "$kernels/$kernel" "$device/root/$kernel"
            [[ -z $image ]] || ln -s "$kernels/$image" "$device/root/$image"
            out=$("$build/host/tools/kestrel-util" plan --device "$device" '\' "$kernel" $image \
                2>/dev/null | tr -d '\0'; exit "${PIPESTATUS[0]}") && placed=$((placed + 1)) || true
            read -r n r a < <(awk '
                /^address translation table/ { n = $4 }
                /^allocated .* page\. mapped/ { r += $2 }
                /^reserved .* more pages/ { r += $2 }
                / reserved pages lie inside/ { a = $1 }
                END { print n + 0, r + 0, a + 0 }' <<<"$out")
            needed=$((needed + n)) reserved=$((reserved + r)) aside=$((aside + a))
        done
        printf "%-11s %-22s %9d %9d %9d %7d%%\n" "$machine" "$kernel ${image:-}" \
            $((needed / seeds)) $((reserved / seeds)) $((aside / seeds)) $((placed * 100 / seeds))
    done
done
echo "(pages averaged over $seeds seeds; 'placed': plan found every byte in place)"
