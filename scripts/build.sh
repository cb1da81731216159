#!/usr/bin/env bash
# Configures and builds the project into build/ (after installing what it needs).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# ccache keeps rebuilds of other checkouts (worktrees, clean clones) cheap;
# paths under the checkout are made relative so they share one cache.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build build -j"$(nproc)"
