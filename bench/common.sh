# Helpers for the benchmark scripts; source this file.

bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
demos_dir=${QUORVANE_DEMOS:-$bench_root/../shared/demos}

# make_demo_like OUT BYTES [SAMPLE_GENERATOR]: a demo-like file of BYTES
# bytes: the real recordings concatenated and repeated where they are
# present, else the sample generator's synthetic demo of that size.
make_demo_like() {
    local out=$1 bytes=$2 generator=${3:-}
    if compgen -G "$demos_dir/*.dem" >/dev/null; then
        local one="$out.one"
        cat "$demos_dir"/*.dem >"$one"
        local copies=$(((bytes + $(stat -c %s "$one") - 1) / $(stat -c %s "$one")))
        for ((i = 0; i < copies; i++)); do cat "$one"; done >"$out"
        truncate -s "$bytes" "$out"
        rm -f "$one"
        echo "demo-like data: the real recordings in $demos_dir, repeated" >&2
    else
        "$generator" "$out" "$bytes" >/dev/null
        echo "demo-like data: synthetic ($demos_dir is absent)" >&2
    fi
}

# elapsed_us CMD...: runs CMD with its output discarded; prints microseconds.
elapsed_us() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}

# elapsed_ms CMD...: the same in milliseconds.
elapsed_ms() {
    local us
    us=$(elapsed_us "$@")
    echo $((us / 1000))
}

# median N...: the median of whole numbers.
median() {
    printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}
