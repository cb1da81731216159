#!/usr/bin/env bash
# Makes the seeds of fuzz/corpus/gzip from gzip(1) output: one member, two
# members, stored blocks (incompressible input), plain data after a member,
# a long content that compresses well, one whose blocks allow checkpoints
# (zlib with sync flushes),
# and a member whose header gzip(1) wrote with its name, rebuilt with the
# extra, comment and header-CRC fields as well.
set -euo pipefail
out="$(dirname "$0")/corpus/gzip"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
python3 -c '
import random
r = random.Random(3)
open("'"$work"'/text", "w").write("".join(r.choice(["kernel ", "page ", "boot ", "tag\n"]) for _ in range(600)))
open("'"$work"'/noise", "wb").write(r.randbytes(1500))
# 800 KiB that compress to a few KiB: long enough for decoder checkpoints.
open("'"$work"'/long", "wb").write(b"".join(b"%08d" % i + b"boot tag " * 455 for i in range(200)))'
cp "$work/text" "$work/keldos"
gzip -c -9 -n "$work/text" >"$out/one-member.gz"
{ gzip -c -1 -n "$work/text"; gzip -c -9 -n "$work/noise"; } >"$out/two-members.gz"
gzip -c -6 -n "$work/noise" >"$out/stored-blocks.gz"
{ gzip -c -n "$work/text"; printf 'plain tail\n'; } >"$out/plain-tail.gz"
gzip -c -9 -n "$work/long" >"$out/long-content.gz"
gzip -c -N "$work/keldos" >"$work/named.gz"
cp "$work/named.gz" "$out/name.gz"
python3 - "$work/named.gz" "$out/all-fields.gz" <<'PY'
import sys, zlib
data = open(sys.argv[1], "rb").read()
name_end = data.index(b"\0", 10) + 1
header = bytearray(data[:10]); header[3] = 0x02 | 0x04 | 0x08 | 0x10
extra = b"KS\x04\x00abcd"
header += len(extra).to_bytes(2, "little") + extra + data[10:name_end] + b"a comment\0"
header += (zlib.crc32(bytes(header)) & 0xFFFF).to_bytes(2, "little")
open(sys.argv[2], "wb").write(bytes(header) + data[name_end:])
PY
# 1.2 MiB in blocks of 32 KiB (zlib's sync flush ends a block): enough
# block boundaries past 512 KiB for decoder checkpoints, in a few KiB.
python3 - "$out/checkpoints.gz" <<'PY'
import sys, zlib
z = zlib.compressobj(9, zlib.DEFLATED, 31)
base = b"".join(b"%03d boot tag page\n" % (j % 40) for j in range(900))[:16384]
parts = []
for i in range(38):
    chunk = b"%06d" % i + base[6:] + base
    parts.append(z.compress(chunk) + z.flush(zlib.Z_SYNC_FLUSH))
open(sys.argv[1], "wb").write(b"".join(parts) + z.flush())
PY
ls -l "$out"
