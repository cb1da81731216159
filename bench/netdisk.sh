#!/usr/bin/env bash
# Reading a 32 MiB file: through the UFS backend from a disk image against
# read(2) of as many bytes of the image file, and through the web-server
# backend from python3's http.server on the loopback address against one
# plain socket GET of the same file into a fresh buffer of its size (the
# backend keeps the whole content in such a buffer, so both pay the first
# touch of its pages; on a virtual machine that can cost more than the
# transfer). The backend asks HEAD before its GET, as it must. Every figure
# is timed inside one process, best and median of nine runs, warm page
# cache; the ratios compare the best times. The web-server backend is also
# timed with glibc's malloc giving the buffer huge pages. Prints figures only.
# The handheld is an iPAQ (64 MiB): the web-server backend refuses content
# larger than the free memory.
# Usage: bench/netdisk.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target bench_netdisk >/dev/null
bench="$build/bench/bench_netdisk"

work=$(mktemp -d)
server=
cleanup() {
    if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/device/root" "$work/device/disks" "$work/tree/boot" "$work/www"
printf 'profile = ipaq3900\ncom1 = none\n' >"$work/device/machine.conf"
python3 -c 'import random, sys; sys.stdout.buffer.write(random.Random(1).randbytes(32 << 20))' \
    >"$work/tree/boot/kernel"
cp "$work/tree/boot/kernel" "$work/www/kernel"
makefs -t ffs -o version=1,bsize=8192,fsize=1024 -b 5% "$work/device/disks/DSK1.img" "$work/tree" >/dev/null
size=$(stat -c %s "$work/tree/boot/kernel")
echo "file: $size bytes; disk image: $(stat -c %s "$work/device/disks/DSK1.img") bytes (bsize 8192, no partition table)"

python3 -u -m http.server --bind 127.0.0.1 --directory "$work/www" 0 >"$work/server.out" 2>/dev/null &
server=$!
for _ in $(seq 50); do grep -q ' port ' "$work/server.out" 2>/dev/null && break; sleep 0.1; done
port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$work/server.out" | head -1)

runs=9
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
line() { printf '  %-34s best %7.4f s  median %7.4f s' "$1" "$2" "$3"; }

read -r u um ubytes < <("$bench" ufs "$work/device" "1:/" /boot/kernel $runs)
read -r d dm _ < <("$bench" image "$work/device/disks/DSK1.img" "$size" $runs)
read -r h hm hbytes < <("$bench" http "$work/device" "http://127.0.0.1:$port/" /kernel $runs)
read -r hh hhm _ < <(GLIBC_TUNABLES=glibc.malloc.hugetlb=1 \
    "$bench" http "$work/device" "http://127.0.0.1:$port/" /kernel $runs)
read -r s sm sbytes < <("$bench" socket 127.0.0.1 "$port" /kernel $runs)
echo "UFS (best and median of $runs runs):"
line "UfsFileManager" "$u" "$um"; echo
line "read(2) of the image" "$d" "$dm"; echo "   UFS x$(ratio "$u" "$d")"
echo "HTTP (best and median of $runs runs):"
line "HttpFileManager" "$h" "$hm"; echo
line "HttpFileManager, huge pages" "$hh" "$hhm"; echo
line "plain socket GET into a buffer" "$s" "$sm"
echo "   HTTP x$(ratio "$h" "$s"), with huge pages x$(ratio "$hh" "$s")"
[ "$ubytes" = "$size" ] || echo "note: UfsFileManager read $ubytes bytes"
[ "$hbytes" = "$size" ] || echo "note: HttpFileManager read $hbytes bytes"
[ "$sbytes" = "$size" ] || echo "note: the socket GET read $sbytes bytes"
