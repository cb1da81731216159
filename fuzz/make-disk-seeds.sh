#!/usr/bin/env bash
# Makes the seeds of fuzz/corpus/ufs and fuzz/corpus/disklabel from real
# images, written sparsely (fuzz/SparseImage.h: pieces of offset, length and
# bytes; the zeros between them left out). UFS: makefs images of a small
# tree (a file in direct blocks, one reaching the indirect blocks, short and
# long symbolic links, nested directories) with 4096- and 8192-byte blocks.
# Disks: sfdisk partition tables (a9, a5 before a9, two a5, none) and one
# with a disk label.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$here/corpus/ufs" "$here/corpus/disklabel"

sparse() { # IMAGE OUT: the image's non-zero 64-byte pieces, joined when close
    python3 - "$1" "$2" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
pieces, at, step = [], 0, 64
while at < len(data):
    if any(data[at:at + step]):
        start = at
        while at < len(data) and any(data[at:at + 4 * step]):
            at += step
        end = min(at, len(data))
        while end - start > 0xFFFF:
            pieces.append((start, data[start:start + 0xFFF0]))
            start += 0xFFF0
        pieces.append((start, data[start:end]))
    at += step
with open(sys.argv[2], "wb") as out:
    for offset, piece in pieces:
        out.write(struct.pack("<IH", offset, len(piece)) + piece)
PY
}

tree="$work/tree"
mkdir -p "$tree/boot" "$tree/dir/sub"
printf 'kernel bytes\n' >"$tree/boot/kernel"
# 60000 bytes, zeros but for a tag at the start of each 1 KiB: blocks that
# reach the indirect ones, and a seed that stays small.
python3 -c 'import sys; sys.stdout.buffer.write(b"".join((b"block %d" % i).ljust(1024, b"\0") for i in range(59)) + bytes(1584))' \
    >"$tree/boot/large"
ln -s boot/kernel "$tree/link"
ln -s /dir/sub "$tree/abs"
ln -s "a/./././././././././././././././././././././././././././././././././././b/../../boot/large" \
    "$tree/longlink"
printf 'x' >"$tree/dir/sub/file"
for bsize in 4096 8192; do
    fsize=$((bsize / 8))
    makefs -t ffs -o version=1,bsize=$bsize,fsize=$fsize,density=8192 -s 256k \
        "$work/ufs-$bsize.img" "$tree" >/dev/null
    sparse "$work/ufs-$bsize.img" "$here/corpus/ufs/makefs-bsize$bsize"
done

disk() { # NAME SFDISK-LINES...
    local name=$1
    shift
    truncate -s 1M "$work/$name.img"
    { echo 'label: dos'; printf '%s\n' "$@"; } | sfdisk -q --no-reread --no-tell-kernel "$work/$name.img" >/dev/null
}
disk a9 'start=64, size=1000, type=a9'
disk a5-a9-a5 'start=64, size=100, type=a5' 'start=200, size=100, type=a9' 'start=400, size=100, type=a5'
disk two-a5 'start=64, size=100, type=a5' 'start=400, size=600, type=a5'
disk none 'start=64, size=100, type=83'
disk labelled 'start=64, size=1000, type=a5'
# The label of "labelled" at its partition's second sector: two partitions,
# the checksum making the exclusive-or of its words 0.
python3 - "$work/labelled.img" <<'PY'
import struct, sys
label = bytearray(512)
struct.pack_into("<I", label, 0, 0x82564557)
struct.pack_into("<I", label, 132, 0x82564557)
struct.pack_into("<HII", label, 138, 2, 8192, 8192)
struct.pack_into("<IIIBBH", label, 148, 900, 100, 1024, 7, 8, 16)
struct.pack_into("<IIIBBH", label, 164, 60, 1000, 1024, 1, 0, 0)
total = 0
for at in range(0, 148 + 16 * 2, 2):
    total ^= struct.unpack_from("<H", label, at)[0]
struct.pack_into("<H", label, 136, total)
with open(sys.argv[1], "r+b") as f:
    f.seek(65 * 512)
    f.write(label)
PY
for name in a9 a5-a9-a5 two-a5 none labelled; do
    sparse "$work/$name.img" "$here/corpus/disklabel/sfdisk-$name"
done
ls -l "$here/corpus/ufs" "$here/corpus/disklabel"
