#!/usr/bin/env bash
# Boots the bundled example handheld: builds everything (the build's lines go
# to stderr), then runs kestrel with the Boot button pressed. Without
# --device, kestrel runs on a scratch copy of build/examples/jornada720 (the
# demo kernel on its storage card); "--device examples/NAME" means the
# build's copy of that example. Every argument goes to kestrel.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/build.sh >&2
exec build/host/tools/kestrel --press boot "$@"
