#!/usr/bin/env bash
# Chooses the read size: builds the tool once per size and times it,
# interleaved with dd as the yardstick, on files in the page cache:
# a 1 GiB demo-like file already patched (so a pure scan) and 1 GiB of
# random bytes without a "+". Prints the median of RUNS runs (default 9)
# and its ratio to dd bs=1M.
#
#   bench/chunk_sizes.sh [KIB ...]   (default: 64 128 256 512 1024 4096)
set -euo pipefail
source "$(dirname "$0")/common.sh"

sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(64 128 256 512 1024 4096)
runs=${RUNS:-9}
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvane-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

for kib in "${sizes[@]}"; do
    cmake -S "$bench_root" -B "$work/build-$kib" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DQUORVANE_BUILD_TESTS=OFF -DCMAKE_CXX_FLAGS="-DQUORVANE_READ_CHUNK_KIB=$kib" >/dev/null
    cmake --build "$work/build-$kib" >/dev/null
done

gib=$((1 << 30))
make_demo_like "$work/demo.dem" "$gib" "$work/build-${sizes[0]}/make_sample_demo"
"$work/build-${sizes[0]}/quorvane" "$work/demo.dem" >/dev/null  # patch once: later runs only scan
# Random bytes with every "+" turned into a "*", so none is left.
head -c "$gib" /dev/urandom | tr '+' '*' >"$work/no-plus.dem"

for file in demo.dem no-plus.dem; do
    declare -A times=()
    for ((run = 0; run < runs; run++)); do
        times[dd]+=" $(elapsed_ms dd if="$work/$file" of=/dev/null bs=1M status=none)"
        for kib in "${sizes[@]}"; do
            times[$kib]+=" $(elapsed_ms "$work/build-$kib/quorvane" "$work/$file")"
        done
    done
    dd_ms=$(median ${times[dd]})
    echo "$file ($runs runs each, median)"
    printf '  %-12s %6d ms  1.00 x dd\n' "dd bs=1M" "$dd_ms"
    for kib in "${sizes[@]}"; do
        ms=$(median ${times[$kib]})
        printf '  %-12s %6d ms  %s x dd\n' "$kib KiB" "$ms" "$(awk -v a="$ms" -v b="$dd_ms" 'BEGIN { printf "%.2f", a / b }')"
    done
    unset times
done
