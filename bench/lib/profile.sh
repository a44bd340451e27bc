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
            function flush(   f) {
                if (!mine) return
                total++
                for (i = 1; i <= n; i++) if (index(stack, want[i])) hits[i]++
                for (f in seen) every[f]++
                delete seen
            }
            BEGIN { n = split(names, want, "|") }
            /^[^ \t]/ { flush(); split($2, id, "/"); mine = $1 == comm && id[1] == id[2]; stack = ""; next }
            mine {
                stack = stack "\n" $0
                sym = $0
                sub(/^[ \t]*[0-9a-f]+[ \t]+/, "", sym)
                if (sym != "" && sym != "[unknown]") seen[sym] = 1
            }
            END {
                flush()
                printf "%6d  samples of the window thread\n", total
                for (i = 1; i <= n; i++) if (hits[i]) printf "%6d  %5.1f %%  %s\n", hits[i], 100 * hits[i] / total, want[i]
                print ""
                print "The hottest functions of the window thread, callees included:"
                fflush()
                top = "sort -rn | head -n 30"
                for (f in every) printf "%6d  %5.1f %%  %s\n", every[f], 100 * every[f] / total, substr(f, 1, 110) | top
                close(top)
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

# profile_memory TITLE WHAT COMMAND...: one run of COMMAND under heaptrack, the largest holders
# of memory at its peak.
profile_memory() {
    local title=$1 what=$2 data="$work/heap-$$"
    shift 2
    if ! command -v heaptrack >/dev/null || ! command -v heaptrack_print >/dev/null; then
        { echo "### $title"; echo; echo "(heaptrack is not installed: no memory profile)"; echo; } >>"$profiles"
        return 0
    fi
    echo "== $title: goal not met, profiling $what with heaptrack"
    rm -f "$data".*
    if ! heaptrack -o "$data" "$@" >>"$log" 2>&1; then
        echo "  (heaptrack failed, see $log)"
        return 0
    fi
    local file
    file=$(ls "$data".* 2>/dev/null | head -n 1)
    [[ -n "$file" ]] || return 0
    {
        echo "### $title"
        echo
        echo "\`heaptrack\` of $what: the heap at its peak, by the code that allocated it (the rest of"
        echo "the resident memory is the mapped libraries and the thread stacks):"
        echo
        echo '```'
        heaptrack_print -f "$file" -p 1 -a 0 -T 0 -l 0 -n 6 -s 0 2>/dev/null |
            awk '/peak memory consumed over/ { print; getline; print } /^peak heap memory consumption/ { print }'
        echo '```'
        echo
    } >>"$profiles"
    rm -f "$file"
}

# profile_engine_memory TITLE MODE SOURCE TARGET: one engine run under heaptrack.
profile_engine_memory() {
    profile_memory "$1" "one engine run ($2, $(basename "$3"))" \
        "$bench" run --mode "$2" --source "$3" --target "$4" --scratch "$scratch"
}

# profile_desktop SCENARIO WHAT PROG: the program in PROG under Xvfb, start, run and close,
# under perf; the window thread's share by function.
profile_desktop() {
    local desktop
    desktop_command "$3"
    profile_window_thread "$1" "$2" trevalon "${desktop[@]}"
}

# cli_env PROG: the environment of `trevalon --run` of the program in PROG, for a subshell
# (perf record and heaptrack take the program itself: heaptrack follows no `env` in between).
cli_env() {
    unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
    export XDG_DATA_HOME="$1/xdg" XDG_CONFIG_HOME="$1/config"
}

# run_profiles: profiles the scenarios whose goal the figures (read_figures) say is missed:
# the median misses it, or the rounds in which the peer ran at its usual speed do.
run_profiles() {
    profiles="$work/profiles.md"
    : >"$profiles"
    [[ "$profile" != 0 ]] || return 0
    local t prog
    if [[ "$(figure P5mem misses)" == 1 ]]; then
        t=$(fresh_dir P5-mem)
        all_targets+=("$t")
        cp -a "$trees/K/." "$t/"
        profile_engine_memory "P5 memory, only-newer" onlynew "$trees/K" "$t"
    fi
    if [[ "$(figure P5memcopy misses)" == 1 ]]; then
        t=$(fresh_dir P5-mem-copy)
        all_targets+=("$t")
        profile_engine_memory "P5 memory, copy-all" copyall "$trees/K" "$t"
    fi
    # Of X's memory only the only-newer run: copy-all writes a million files, slow under heaptrack.
    # X's profiles run on the copy of X that its only-newer rounds used: a million inodes less.
    if wants X && [[ -z "$x_note" ]] && misses Xmem; then
        prog=$(program_dir X-mem)
        write_ini "$prog/tvl.ini" "$trees/X" "$x_target" onlynew
        (cli_env "$prog"; profile_memory "X memory, only-newer" "one \`trevalon --run\` (only-newer, X)" \
            "$prog/trevalon" --run Standard)
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
    # The window under Xvfb: W1, W2 and the window's cost over the command line.
    if wants W1 && { misses W1 || misses W1c; } && xcb_ready; then
        prog=$(program_dir W1-prof)
        t=$(fresh_dir W1-prof)
        all_targets+=("$t")
        write_ini "$prog/tvl.ini" "$trees/S" "$t" copyall
        profile_desktop W1 "the program under Xvfb on S: start, copy-all, close" "$prog"
    fi
    if wants W2 && { misses W2 || misses W2c; } && xcb_ready; then
        prog=$(program_dir W2-prof)
        t=$(fresh_dir W2-prof)
        all_targets+=("$t")
        cp -a "$trees/K/." "$t/"
        write_ini "$prog/tvl.ini" "$trees/K" "$t" onlynew
        profile_desktop W2 "the program under Xvfb on K: start, only-newer (nothing changed), close" "$prog"
    fi
    if wants W3 && [[ -z "$w3_note" ]] && { misses W3S || misses W3K; } && xcb_ready; then
        prog=$(program_dir W3-prof)
        t=$(fresh_dir W3-prof)
        all_targets+=("$t")
        write_ini "$prog/tvl.ini" "$trees/S" "$t" copyall
        profile_desktop W3 "the whole program on S: start, copy-all, close" "$prog"
    fi
    stop_xvfb
    if wants X && [[ -z "$x_note" ]] && { misses X || misses Xg; }; then
        prog=$(program_dir X-prof)
        write_ini "$prog/tvl.ini" "$trees/X" "$x_target" onlynew
        (cli_env "$prog"; profile_run X "one \`trevalon --run\` (only-newer, X, nothing changed)" \
            "$prog/trevalon" --run Standard)
    fi
    return 0
}
