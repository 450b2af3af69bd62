#!/usr/bin/env bash
# Fuzzes the parsers of backup bytes with libFuzzer, AddressSanitizer and UBSan (the fuzz preset,
# clang 16 and its tools, installed by scripts/install-deps.sh --fuzz when missing).
# Usage: scripts/fuzz.sh [TARGET|all] [SECONDS] [libFuzzer option]...
#   TARGET   a name from build/fuzz/fuzz-targets.txt (default all, one after the other)
#   SECONDS  how long each target runs (default 60)
# Each target starts from its seeds, copied into its working corpus build/fuzz/corpus/<target>
# (kept between runs, so coverage grows); inputs that crash, leak, time out or run out of memory
# land in build/fuzz/findings/<target>. Exits 1 when a target found anything, naming it.
set -euo pipefail
cd "$(dirname "$0")/.."
target="${1:-all}"
seconds="${2:-60}"
shift $(($# < 2 ? $# : 2))

./scripts/install-deps.sh --fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

build=build/fuzz
mapfile -t known <"$build/fuzz-targets.txt"
if [ "$target" = all ]; then
    targets=("${known[@]}")
elif printf '%s\n' "${known[@]}" | grep -qxF -- "$target"; then
    targets=("$target")
else
    echo "no fuzz target $target; there are: ${known[*]}" >&2
    exit 2
fi

export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=1"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-}:print_stacktrace=1"
failed=()
for name in "${targets[@]}"; do
    corpus="$build/corpus/$name"
    findings="$build/findings/$name"
    mkdir -p "$corpus" "$findings"
    cp -R "$build/fuzz-seeds/$name/." "$corpus/"
    before=$(find "$findings" -type f | wc -l)
    log="$build/findings/$name.log"
    echo "== $name: ${seconds}s"
    status=0
    "$build/bin/$name" "$corpus" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/" -print_final_stats=1 "$@" >"$log" 2>&1 || status=$?
    { grep -E ' cov: ' "$log" | tail -n 1; grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$log"; } || true
    if [ "$status" -ne 0 ] || [ "$(find "$findings" -type f | wc -l)" -gt "$before" ]; then
        echo "$name found something (exit $status); see $log and $findings" >&2
        grep -m1 -E '^==[0-9]+==ERROR|runtime error|^SUMMARY' "$log" >&2 || true
        failed+=("$name")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "findings in: ${failed[*]}" >&2
    exit 1
fi
