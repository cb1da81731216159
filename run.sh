#!/usr/bin/env bash
# Boots the bundled example handheld: builds everything, then runs kestrel on
# the build's copy of examples/jornada720 (with the demo kernel on its storage
# card) with the Boot button pressed. "--device examples/NAME" picks another
# example; other arguments go to kestrel.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/build.sh
device=build/examples/jornada720
args=()
while (($#)); do
    if [[ $1 == --device && $# -ge 2 && $2 == examples/* ]]; then
        device=build/${2%/}
        shift 2
        continue
    fi
    args+=("$1")
    shift
done
exec build/host/tools/kestrel --device "$device" --press boot "${args[@]}"
