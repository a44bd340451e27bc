# shellcheck shell=bash
# bench/run: profiles of the goals not met (perf, heaptrack), one run each, for RESULTS.md.
# Sourced by bench/run.

# profile_run SCENARIO WHAT COMMAND...: one run of COMMAND under perf, its hottest symbols.
profile_run() {
    local scenario=$1 what=$2 data="$work/perf-$1.data"
    shift 2
    echo "== $scenario: goal not met, profiling $what with perf"
    sync
    if ! perf record -q -g -F 999 -o "$data" "$@" >>"$log" 2>&1; then
        echo "  (perf record failed, see $log)"
        return 0
    fi
    {
        echo "### $scenario"
        echo
        echo "\`perf record -g\` of $what, all threads; self time by symbol:"
        echo
        echo '```'
        perf report -i "$data" --no-children --sort dso,sym --percent-limit 1.5 -g none --stdio 2>/dev/null |
            grep -v '^#' | grep -v '^$' | head -n 25
        echo '```'
        echo
        echo "Time including callees, the program's own functions:"
        echo
        echo '```'
        perf report -i "$data" --children --sort sym --percent-limit 3 -g none --stdio 2>/dev/null |
            grep -v '^#' | grep -v '^$' | grep -v '\[k\]' | head -n 25
        echo '```'
        echo
    } >>"$profiles"
    rm -f "$data"
}

# The functions the window's thread spends its time in, by what the user sees of them.
window_functions="MirrorFiles|CreateTargetFolders|VBFILECOUNT|VBFILELIST|VBFILECOPYASYNC|KeepPainting|\
QListView::doItemsLayout|QWidgetRepaintManager::paintAndFlush|QWidgetLineControl::internalSetText|AddStatusLine|\
Logfile::AppendToFile|Logfile::Flush|StatusListModel::Publish|frmMain::ShowRunState|DirList::refresh|frmMain::frmMain|frmMain::Form_Load|FillProfileList|\
frmMain::Form_QueryUnload|TrimLogFile|WriteWindowOptions"

# profile_window_thread SCENARIO WHAT COMM COMMAND...: one run of COMMAND under perf with
# call graphs from the stack, and the share of the window's thread (the main thread of the
# processes named COMM) spent in each of the functions above, callees included.
profile_window_thread() {
    local scenario=$1 what=$2 comm=$3 data="$work/perf-$1.data"
    shift 3
    echo "== $scenario: goal not met, profiling $what with perf"
    sync
    if ! perf record -q --call-graph dwarf,32768 -F 997 -o "$data" "$@" >>"$log" 2>&1; then
        echo "  (perf record failed, see $log)"
        return 0
    fi
    {
        echo "### $scenario"
        echo
        echo "\`perf record --call-graph dwarf\` of $what; samples of the window's thread"
        echo "(about 1 ms of its CPU time each) in each function, callees included:"
        echo
        echo '```'
        perf script -i "$data" -F comm,pid,tid,ip,sym 2>/dev/null | awk -v names="$window_functions" -v comm="$comm" '
            function flush() {
                if (!mine) return
                total++
                for (i = 1; i <= n; i++) if (index(stack, want[i])) hits[i]++
            }
            BEGIN { n = split(names, want, "|") }
            /^[^ \t]/ { flush(); split($2, id, "/"); mine = $1 == comm && id[1] == id[2]; stack = ""; next }
            { stack = stack "\n" $0 }
            END {
                flush()
                printf "%6d  samples of the window thread\n", total
                for (i = 1; i <= n; i++) if (hits[i]) printf "%6d  %5.1f %%  %s\n", hits[i], 100 * hits[i] / total, want[i]
            }'
        echo '```'
        echo
    } >>"$profiles"
    rm -f "$data"
}

# profile_engine SCENARIO MODE SOURCE TARGET: one engine run under perf.
profile_engine() {
    profile_run "$1" "one engine run ($2, $(basename "$3"))" \
        "$bench" run --mode "$2" --source "$3" --target "$4" --scratch "$scratch"
}

# profile_memory TITLE MODE SOURCE TARGET: one engine run under heaptrack, its largest holders
# of memory at the peak.
profile_memory() {
    local title=$1 data="$work/heap-$2"
    if ! command -v heaptrack >/dev/null || ! command -v heaptrack_print >/dev/null; then
        { echo "### $title"; echo; echo "(heaptrack is not installed: no memory profile)"; echo; } >>"$profiles"
        return 0
    fi
    echo "== $title: goal not met, profiling one engine run with heaptrack"
    rm -f "$data".*
    if ! heaptrack -o "$data" "$bench" run --mode "$2" --source "$3" --target "$4" --scratch "$scratch" \
        >>"$log" 2>&1; then
        echo "  (heaptrack failed, see $log)"
        return 0
    fi
    local file
    file=$(ls "$data".* 2>/dev/null | head -n 1)
    [[ -n "$file" ]] || return 0
    {
        echo "### $title"
        echo
        echo "\`heaptrack\` of one engine run ($2, $(basename "$3")): the heap at its peak, by the code that"
        echo "allocated it (the rest of the resident memory is the mapped libraries and the thread stacks):"
        echo
        echo '```'
        heaptrack_print -f "$file" -p 1 -a 0 -T 0 -l 0 -n 6 -s 0 2>/dev/null |
            awk '/peak memory consumed over/ { print; getline; print } /^peak heap memory consumption/ { print }'
        echo '```'
        echo
    } >>"$profiles"
    rm -f "$file"
}

# run_profiles: profiles the scenarios whose goal the figures (read_figures) say is missed:
# the median misses it, or the rounds in which the peer ran at its usual speed do.
run_profiles() {
    profiles="$work/profiles.md"
    : >"$profiles"
    [[ "$profile" != 0 ]] || return 0
    local t d prog buttons
    if [[ "$(figure P5mem misses)" == 1 ]]; then
        t=$(fresh_dir P5-mem)
        all_targets+=("$t")
        cp -a "$trees/K/." "$t/"
        profile_memory "P5 memory, only-newer" onlynew "$trees/K" "$t"
    fi
    if [[ "$(figure P5memcopy misses)" == 1 ]]; then
        t=$(fresh_dir P5-mem-copy)
        all_targets+=("$t")
        profile_memory "P5 memory, copy-all" copyall "$trees/K" "$t"
    fi
    command -v perf >/dev/null || return 0
    if wants P1 && misses P1; then t=$(fresh_dir P1-prof); all_targets+=("$t"); profile_engine P1 copyall "$trees/S" "$t"; fi
    if wants P2 && misses P2; then t=$(fresh_dir P2-prof); all_targets+=("$t"); profile_engine P2 copyall "$trees/L" "$t"; fi
    if wants P3 && misses P3; then
        t=$(fresh_dir P3-prof)
        all_targets+=("$t")
        cp -a "$trees/K/." "$t/"
        profile_engine P3 onlynew "$trees/K" "$t"
    fi
    if wants P4 && misses P4; then
        t=$(fresh_dir P4-prof)
        all_targets+=("$t")
        cp -a "$trees/S/." "$t/"
        profile_engine P4 onlynew "$trees/S4" "$t"
    fi
    if wants P5 && misses P5; then t=$(fresh_dir P5-prof); all_targets+=("$t"); profile_engine P5 copyall "$trees/K" "$t"; fi
    if wants W1 && misses W1; then
        t=$(fresh_dir W1-prof)
        d=$(fresh_scratch W1-prof)
        all_targets+=("$t")
        write_ini "$d/tvl.ini" "$trees/S" "$t" copyall
        QT_QPA_PLATFORM=offscreen profile_window_thread W1 "one run through the window (copy-all, S)" \
            "$(basename "$window" | cut -c1-15)" "$window" --ini "$d/tvl.ini"
    fi
    if wants W2 && misses W2; then
        t=$(fresh_dir W2-prof)
        d=$(fresh_scratch W2-prof)
        all_targets+=("$t")
        cp -a "$trees/K/." "$t/"
        write_ini "$d/tvl.ini" "$trees/K" "$t" onlynew
        QT_QPA_PLATFORM=offscreen profile_window_thread W2 "one run through the window (only-newer, K)" \
            "$(basename "$window" | cut -c1-15)" "$window" --ini "$d/tvl.ini"
    fi
    if wants W3 && [[ -z "$w3_note" ]] && { misses W3S || misses W3K; } && start_xvfb; then
        prog=$(program_dir W3-prof)
        buttons=$(QT_QPA_PLATFORM=offscreen "$window" --buttons 2>>"$log")
        t=$(fresh_dir W3-prof)
        all_targets+=("$t")
        write_ini "$prog/tvl.ini" "$trees/S" "$t" copyall
        DISPLAY="$display" XDG_DATA_HOME="$prog/xdg" XDG_CONFIG_HOME="$prog/config" \
            profile_window_thread W3 "the whole program on S: start, copy-all, close" trevalon \
            "$bench" desktop --log "$prog/tvl.log" --window '^Trevalon - ' \
            --run "$(field run_x "$buttons"),$(field run_y "$buttons")" \
            --exit "$(field exit_x "$buttons"),$(field exit_y "$buttons")" --timeout 600 -- "$prog/trevalon"
        stop_xvfb
    fi
    return 0
}
