# Writes N deterministic pseudo-random bytes (seeded by the file name) to a
# file: padding for large test kernels and memory-disk images that gzip
# cannot shrink and in which a misplaced page shows. With a third argument,
# also writes that assembly file, which includes the bytes as read-only data.
import os
import random
import sys

path, size = sys.argv[1], int(sys.argv[2], 0)
with open(path, "wb") as out:
    out.write(random.Random(os.path.basename(path)).randbytes(size))
if len(sys.argv) > 3:
    with open(sys.argv[3], "w") as asm:
        asm.write('\t.section .rodata.pad, "a"\n\t.incbin "%s"\n' % os.path.abspath(path))
