#!/usr/bin/env bash
# The figures of reading and preparing a boot, in one run: the boot's read
# patterns on a gzip'd file against one sequential decode (time, bytes
# inflated per content byte, checkpoint memory), the UFS backend against
# reading the disk image, the web-server backend against a plain socket
# download, and kestrel-util plan of the demo kernel in CPU seconds.
# Prints figures; asserts nothing.
# Usage: bench/speed.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
echo "== gzip read patterns (bench/files.sh)"
bash bench/files.sh "$build"
echo "== UFS and HTTP backends (bench/netdisk.sh)"
bash bench/netdisk.sh "$build"
echo "== plan of the demo kernel (bench/plan.sh)"
bash bench/plan.sh "$build"
