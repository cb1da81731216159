#!/usr/bin/env bash
# Renders the screenshots of docs/ (listed in docs/screenshots.list) with
# kestrel on scratch copies of the built examples. Run it after a change to
# the screen's looks; the tests say when the pictures are out of date.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >&2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
while read -r file example input; do
    [[ -z $file || $file == \#* ]] && continue
    cp -r "build/examples/$example" "$scratch/$example"
    # The run's own status is not the point here: the picture is.
    # shellcheck disable=SC2086
    build/host/tools/kestrel --device "$scratch/$example" $input \
        --screenshot "docs/$file" > /dev/null || true
    rm -rf "${scratch:?}/$example"
    echo "docs/$file"
done < docs/screenshots.list
