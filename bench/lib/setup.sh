# shellcheck shell=bash
# bench/run: the settings check, the tools, the build and the work folder. Sourced by bench/run.

check_setup() {
    if ! [[ "$runs" =~ ^[0-9]+$ ]] || ((runs < 1)); then
        echo "TVL_BENCH_RUNS must be a positive number" >&2
        exit 2
    fi
    if ! [[ "$runs_x" =~ ^[0-9]+$ ]] || ((runs_x < 1)); then
        echo "TVL_BENCH_RUNS_X must be a positive number" >&2
        exit 2
    fi
    # The peers, the X server and its clicks, and the statistics: Debian's packages, installed
    # when missing.
    . "$root/scripts/deps.sh"
    tvl_need_packages rsync xvfb xdotool freefilesync python3 time
    local tool
    for tool in cmake ninja rsync cp awk sync; do
        command -v "$tool" >/dev/null || { echo "bench/run needs $tool" >&2; exit 2; }
    done
}

build_programs() {
    echo "== building tvl_bench, tvl_bench_window and trevalon (Release) in $build"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" --target tvl_bench tvl_bench_window trevalon -j "$(nproc)" >/dev/null
    bench="$build/bench/tvl_bench"
    window="$build/bench/tvl_bench_window"
    program="$build/app/trevalon"
}

prepare_work() {
    mkdir -p "$work"
    work="$(cd "$work" && pwd)"
    trees="${TVL_BENCH_TREES:-$work/trees}"
    mkdir -p "$trees"
    trees="$(cd "$trees" && pwd)"
    targets="$work/targets"
    scratch="$work/scratch"
    raw="$work/raw.txt"      # one line per measured run: scenario side wall_ms peak_rss_kib files_copied
    log="$work/bench.log"    # everything the programs printed
    mkdir -p "$trees" "$targets" "$scratch"
    : >"$raw"
    : >"$log"
    # Every target of this call, removed at the end.
    all_targets=()
}

load_now() { cut -d ' ' -f 1-3 /proc/loadavg; }

# remove_targets DIR...: removes folders of many files and notes when, for settle_down.
remove_targets() {
    (($# > 0)) || return 0
    rm -rf "$@"
    sync
    date +%s >"$work/last-removal"
}

remove_old_targets() {
    if [[ -n "$(ls -A "$targets")" ]]; then
        echo "== removing targets of an earlier run"
        remove_targets "$targets"/*
    fi
}

# Waits until the last large removal is TVL_BENCH_SETTLE seconds old (see the head of bench/run).
settle_down() {
    [[ -f "$work/last-removal" ]] || return 0
    local wait=$(($(cat "$work/last-removal") + settle - $(date +%s)))
    if ((wait > 0)); then
        echo "== waiting ${wait} s: ext4 still counts the inodes removed $((settle - wait)) s ago as recently deleted"
        sleep "$wait"
    fi
}
