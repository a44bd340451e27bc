# shellcheck shell=bash
# bench/run: running one measured command, checking its result, and the settings files and
# program folders of the window's scenarios. Sourced by bench/run.

field() {  # key line
    sed -n "s/.*[ ]$1=\([^ ]*\).*/\1/p" <<<"$2" | head -n 1
}

fresh_dir() {  # prints a new, never used target folder and creates it
    local dir
    dir="$targets/$1-$(date +%s%N)-$RANDOM"
    mkdir "$dir"
    echo "$dir"
}

# measure SCENARIO SIDE RECORD COMMAND...: runs the command under `tvl_bench exec` after a sync
# and, when RECORD is 1, appends its figures to raw.txt.
measure() {
    local scenario=$1 side=$2 record=$3
    shift 3
    measure_line "$scenario" "$side" "$record" "$bench" exec -- "$@"
}

# measure_line SCENARIO SIDE RECORD COMMAND...: as measure, for a command of tvl_bench that
# measures itself (exec, desktop); its line is left in exec_line.
measure_line() {
    local scenario=$1 side=$2 record=$3
    shift 3
    sync
    local out
    if ! out=$("$@" 2>>"$log"); then
        printf '%s\n' "$out" >>"$log"
        echo "bench/run: $scenario $side failed: $*" >&2
        echo "$out" >&2
        tail -n 5 "$log" >&2
        exit 1
    fi
    printf '%s %s: %s\n' "$scenario" "$side" "$(tr '\n' ' ' <<<"$out")" >>"$log"
    local execLine runLine
    execLine=$(grep -E '^tvl_bench (exec|desktop) ' <<<"$out")
    exec_line=$execLine
    runLine=$(grep '^tvl_bench run' <<<"$out" || true)
    local copied
    copied=$(field files_copied "$runLine")
    last_copied=${copied:--}
    if [[ "$record" == 1 ]]; then
        echo "$scenario $side $(field wall_ms "$execLine") $(field peak_rss_kib "$execLine") ${copied:--}" >>"$raw"
    fi
    printf '  %-3s %-2s %8s ms %7s KiB%s\n' "$scenario" "$side" "$(field wall_ms "$execLine")" \
        "$(field peak_rss_kib "$execLine")" "${copied:+  copied $copied}"
}

# measure_engine SCENARIO SIDE RECORD MODE SOURCE TARGET: one engine run, measured.
measure_engine() {
    measure "$1" "$2" "$3" "$bench" run --mode "$4" --source "$5" --target "$6" --scratch "$scratch"
}

check_copied() {  # scenario expected
    if [[ "$last_copied" != "$2" ]]; then
        echo "bench/run: $1: the engine copied $last_copied files, expected $2" >&2
        exit 1
    fi
}

verify() {  # scenario source target: the engine's copy must equal the source
    if ! "$bench" verify "$2" "$3" >>"$log" 2>&1; then
        echo "bench/run: $1: the target differs from the source, see $log" >&2
        exit 1
    fi
}

# write_ini FILE SOURCE TARGET MODE: a settings file whose "Standard" profile runs MODE
# (copyall or onlynew) from SOURCE into TARGET, logging on, the log limited to 50 KB.
write_ini() {
    local onlynew=0
    [[ "$4" == onlynew ]] && onlynew=1
    printf '%s\n' "[Profiles]" "Standard=Standard" "[Optionen]" "writelog=1" "logsize=50" "[Standard]" \
        "dir_a=$2" "dir_b=$3" "Filter=" "onlynew=$onlynew" "delnot=0" "delold=0" "deltotrash=1" \
        "newsubfolder=0" >"$1"
}

fresh_scratch() {  # prints a new folder under the scratch folder
    local dir
    dir="$scratch/$1-$(date +%s%N)-$RANDOM"
    mkdir -p "$dir"
    echo "$dir"
}

# program_dir NAME: a folder holding the program, where it keeps tvl.ini and tvl.log.
program_dir() {
    local dir="$scratch/$1"
    rm -rf "$dir"
    mkdir -p "$dir/xdg" "$dir/config"
    ln "$program" "$dir/trevalon" 2>/dev/null || cp "$program" "$dir/trevalon"
    echo "$dir"
}

# The completion line must end the log, also after the log was trimmed.
check_log_end() {  # scenario log
    if ! tail -n 1 "$2" | tr -d '\r' | grep -q -- ' - Abgleich ausgeführt!$'; then
        echo "bench/run: $1: the log does not end with the completion line: $(tail -n 1 "$2")" >&2
        exit 1
    fi
}
