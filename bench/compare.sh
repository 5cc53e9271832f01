#!/usr/bin/env bash
# The tool against dd and the usual one-liners, on files in the page cache:
#   demo.dem     1 GiB demo-like (the real recordings repeated, or synthetic)
#   no-plus.dem  1 GiB of random bytes without a "+"
#   sparse.dem   5 GiB sparse file with markers past 4 GiB (costs no disk)
#   small.dem    the first 1 MB of demo.dem
# For each file, interleaved, RUNS rounds (default 5; PEER_RUNS, default 3,
# for perl and sed): the tool on a fresh copy (all the writes), the tool on
# an already patched copy (a pure scan), dd bs=1M, perl -pi and sed -i with
# the same substitutions (their result is checked against the tool's).
# Prints median seconds, the ratio to dd, and peak resident memory.
#
#   bench/compare.sh [BUILD_DIR]     (default build/release; built if absent)
set -euo pipefail
source "$(dirname "$0")/common.sh"

build=${1:-$bench_root/build/release}
if [ ! -x "$build/quorvane" ]; then
    cmake --workflow --preset release >/dev/null
fi
tool=$build/quorvane
runs=${RUNS:-5}
peer_runs=${PEER_RUNS:-3}
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvane-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

perl_expr='s/\+commandmen/+c0mmandmen/g; s/\+showscores/+sh0wscores/g'
sed_expr='s/+commandmen/+c0mmandmen/g; s/+showscores/+sh0wscores/g'

gib=$((1 << 30))
make_demo_like "$work/demo.dem" "$gib" "$build/make_sample_demo"
head -c "$gib" /dev/urandom | tr '+' '*' >"$work/no-plus.dem"
truncate -s $((5 * gib)) "$work/sparse.dem"
for offset in $((4 * gib + 12345)) $((4 * gib + 999999)) $((5 * gib - 11)); do
    printf '+showscores' | dd of="$work/sparse.dem" bs=1 seek="$offset" conv=notrunc status=none
done
head -c 1000000 "$work/demo.dem" >"$work/small.dem"

# fresh NAME: a copy of the original NAME, written out to the disk first so
# that no run pays for flushing the copy.
fresh() {
    cp --sparse=always "$work/$1" "$work/copy-$1"
    sync "$work/copy-$1"
    echo "$work/copy-$1"
}

# peak_kib CMD...: peak resident memory of CMD, in KiB.
peak_kib() {
    /usr/bin/time -f '%M' -o "$work/rss" "$@" >/dev/null
    cat "$work/rss"
}

seconds() { awk -v us="$1" 'BEGIN { printf "%.4f", us / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

printf '%-12s %-26s %10s %8s %10s\n' file command seconds "x dd" "peak KiB"
for file in demo.dem no-plus.dem sparse.dem small.dem; do
    peers=yes
    [ "$file" = sparse.dem ] && peers=no  # one 5 GiB line: perl and sed hold it all in memory
    cp --sparse=always "$work/$file" "$work/patched-$file"
    "$tool" "$work/patched-$file" >/dev/null
    if [ $peers = yes ]; then
        for peer in perl sed; do
            copy=$(fresh "$file")
            if [ $peer = perl ]; then perl -pi -e "$perl_expr" "$copy"; else sed -i "$sed_expr" "$copy"; fi
            cmp -s "$copy" "$work/patched-$file" || { echo "$peer differs from the tool on $file" >&2; exit 1; }
        done
    fi
    cat "$work/$file" "$work/patched-$file" >/dev/null  # into the page cache

    declare -A times=()
    for ((run = 0; run < runs; run++)); do
        times[dd]+=" $(elapsed_us dd if="$work/$file" of=/dev/null bs=1M status=none)"
        copy=$(fresh "$file")
        times[first]+=" $(elapsed_us "$tool" "$copy")"
        times[scan]+=" $(elapsed_us "$tool" "$work/patched-$file")"
        if [ $peers = yes ] && [ "$run" -lt "$peer_runs" ]; then
            copy=$(fresh "$file")
            times[perl]+=" $(elapsed_us perl -pi -e "$perl_expr" "$copy")"
            copy=$(fresh "$file")
            times[sed]+=" $(elapsed_us sed -i "$sed_expr" "$copy")"
        fi
    done
    dd_us=$(median ${times[dd]})
    rss_dd=$(peak_kib dd if="$work/$file" of=/dev/null bs=1M status=none)
    rss_scan=$(peak_kib "$tool" "$work/patched-$file")
    rss_first=$(peak_kib "$tool" "$(fresh "$file")")
    row() { printf '%-12s %-26s %10s %8s %10s\n' "$file" "$1" "$(seconds "$2")" "$(ratio "$2" "$dd_us")" "$3"; }
    row "dd bs=1M" "$dd_us" "$rss_dd"
    row "quorvane, fresh copy" "$(median ${times[first]})" "$rss_first"
    row "quorvane, patched (scan)" "$(median ${times[scan]})" "$rss_scan"
    if [ $peers = yes ]; then
        row "perl -pi" "$(median ${times[perl]})" "$(peak_kib perl -pi -e "$perl_expr" "$(fresh "$file")")"
        row "sed -i" "$(median ${times[sed]})" "$(peak_kib sed -i "$sed_expr" "$(fresh "$file")")"
    fi
    unset times
done
