#!/usr/bin/env bash
# Reading a 32 MiB file: through the UFS backend from a disk image against dd
# of as many bytes from the image file, and through the web-server backend
# from python3's http.server on the loopback address against a plain socket
# download of the same file. Warm page cache; three runs. Prints figures only.
# The handheld is an iPAQ (64 MiB): the web-server backend keeps the whole
# content in memory and refuses one larger than the free memory.
# The web-server backend is timed twice: as it runs, and with glibc's malloc
# giving the content buffer huge pages. On a virtual machine every first
# touch of a 4 KiB page of a fresh 32 MiB buffer can cost more than the
# transfer itself; that is the host's price, which the handheld has not.
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

seconds() { # wall time of "$@", output dropped
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }'
}
download() { # a plain socket download: one GET, everything until the close
    exec 3<>"/dev/tcp/127.0.0.1/$port"
    printf 'GET /kernel HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' >&3
    cat <&3
    exec 3<&-
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

for run in 1 2 3; do
    read -r u bytes < <("$bench" ufs "$work/device" "1:/" /boot/kernel)
    d=$(seconds dd if="$work/device/disks/DSK1.img" of=/dev/null bs=64k count=$((size / 65536)))
    read -r h hbytes < <("$bench" http "$work/device" "http://127.0.0.1:$port/" /kernel)
    read -r hh _ < <(GLIBC_TUNABLES=glibc.malloc.hugetlb=1 \
        "$bench" http "$work/device" "http://127.0.0.1:$port/" /kernel)
    s=$(seconds download)
    printf 'run %d: UfsFileManager %6.3f s  dd %6.3f s  (x%.2f)  |  HttpFileManager %6.3f s, huge pages %6.3f s  socket %6.3f s  (x%.2f, x%.2f)\n' \
        "$run" "$u" "$d" "$(ratio "$u" "$d")" "$h" "$hh" "$s" "$(ratio "$h" "$s")" "$(ratio "$hh" "$s")"
    [ "$bytes" = "$size" ] || echo "note: UfsFileManager read $bytes bytes"
    [ "$hbytes" = "$size" ] || echo "note: HttpFileManager read $hbytes bytes"
done
