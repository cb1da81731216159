#!/usr/bin/env bash
# Builds every fuzz target (fuzz/*.cpp) with clang's libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/, then runs
# each for SECONDS (default 60) from its seeds in fuzz/corpus/<name>/ and
# prints its executions and coverage. New inputs go to
# build-fuzz/corpus/<name>/ (the seeds in the tree are left alone); a crash,
# leak, hang or sanitizer report leaves its input in build-fuzz/artifacts/
# and makes the script exit 1.
#
#   fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
bash scripts/setup.sh

out=build-fuzz
flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build "$out" --target fuzz_targets -j"$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in fuzz/*.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi

# The system checks what malloc gives it: a refused allocation is an answer,
# not a finding.
export ASAN_OPTIONS="allocator_may_return_null=1:detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
mkdir -p "$out/artifacts" "$out/logs"
failed=()
printf '%-12s %12s %8s %8s %8s  %s\n' target executions cov ft corpus result
for name in "${targets[@]}"; do
    corpus="$out/corpus/$name"
    mkdir -p "$corpus"
    log="$out/logs/$name.log"
    status=0
    "$out/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -malloc_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/artifacts/$name-" \
        "$corpus" "fuzz/corpus/$name" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
    corp=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$last")
    result=ok
    if [ "$status" -ne 0 ]; then
        result="FAILED (status $status, see $log)"
        failed+=("$name")
    fi
    printf '%-12s %12s %8s %8s %8s  %s\n' "$name" "${runs:-?}" "${cov:-?}" "${ft:-?}" \
        "${corp:-?}" "$result"
done
if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzz: failed: ${failed[*]}" >&2
    exit 1
fi
