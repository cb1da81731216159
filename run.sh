#!/usr/bin/env bash
# Boots the bundled example handheld: builds everything, then runs kestrel on
# examples/jornada720 with the Boot button pressed. Extra arguments go to kestrel.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/build.sh
exec build/host/tools/kestrel --device examples/jornada720 --press boot "$@"
