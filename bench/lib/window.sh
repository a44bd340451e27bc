# shellcheck shell=bash
# bench/run: the window's scenarios: W1 (with P6 and W4 on S) and W2 (with W4 on K) in rounds
# of four runs, W3 the whole program under Xvfb against FreeFileSync. Sourced by bench/run.

# measure_window SCENARIO RECORD INI: one run through the real window, offscreen (side O): the
# time from the click to the completion line. W1's runs also give P6's paint gaps.
measure_window() {
    local scenario=$1 record=$2 ini=$3 out
    sync
    if ! out=$(QT_QPA_PLATFORM=offscreen "$window" --ini "$ini" 2>>"$log"); then
        echo "bench/run: $scenario O failed: $out" >&2
        tail -n 5 "$log" >&2
        exit 1
    fi
    echo "$scenario O: $out" >>"$log"
    printf '  %-3s %-2s %8s ms  window thread %s ms CPU; longest paint gap %s ms, %s paints\n' "$scenario" O \
        "$(field run_ms "$out")" "$(field window_cpu_ms "$out")" "$(field longest_gap_ms "$out")" \
        "$(field status_paints "$out")"
    if [[ "$record" == 1 ]]; then
        echo "$scenario O $(field run_ms "$out") - -" >>"$raw"
        echo "$scenario-cpu O $(field window_cpu_ms "$out") $(field process_cpu_ms "$out")" >>"$raw"
        if [[ "$scenario" == W1 ]]; then
            echo "P6 W $(field longest_gap_ms "$out") $(field status_paints "$out") $(field run_ms "$out") $(field longest_gap_at_ms "$out")" >>"$raw"
        fi
    fi
}

# The real program on an X server (Xvfb, platform xcb), as W1, W2 and W3 run it.
xcb_note=""
xcb_ready() {  # true when Xvfb and xdotool are there; the run and exit buttons' places in $buttons
    [[ -n "$xcb_note" ]] && return 1
    [[ -n "${buttons:-}" ]] && { start_xvfb || exit 1; return 0; }
    local missing="" tool
    for tool in Xvfb xdotool; do command -v "$tool" >/dev/null || missing="$missing $tool"; done
    if [[ -n "$missing" ]]; then
        xcb_note="The window on the X display not measured: missing$missing (Debian packages xvfb, xdotool)."
        echo "== $xcb_note"
        return 1
    fi
    start_xvfb || exit 1
    if ! buttons=$(QT_QPA_PLATFORM=offscreen "$window" --buttons 2>>"$log"); then
        echo "bench/run: tvl_bench_window --buttons failed, see $log" >&2
        exit 1
    fi
}

# desktop_command PROG: the `tvl_bench desktop` call for the program in PROG, into $desktop.
desktop_command() {
    desktop=(env DISPLAY="$display" QT_QPA_PLATFORM=xcb XDG_DATA_HOME="$1/xdg" XDG_CONFIG_HOME="$1/config"
        "$bench" desktop --log "$1/tvl.log" --window '^Trevalon - '
        --run "$(field run_x "$buttons"),$(field run_y "$buttons")"
        --exit "$(field exit_x "$buttons"),$(field exit_y "$buttons")" --timeout 600 -- "$1/trevalon")
}

# measure_desktop SCENARIO RECORD FIGURE PROG: one run of the program in PROG under Xvfb, from
# its start to its end; FIGURE "run" records the time from the click on the run button to the
# completion line (W1, W2), "wall" the whole process (W3). Its phases go to raw.txt.
measure_desktop() {
    local scenario=$1 record=$2 figure=$3 prog=$4 desktop
    desktop_command "$prog"
    measure_line "$scenario" A "$([[ $figure == wall ]] && echo "$record" || echo 0)" "${desktop[@]}"
    check_log_end "$scenario" "$prog/tvl.log"
    echo "      start to window $(field shown_ms "$exec_line") ms, click to completion line $(field run_ms "$exec_line") ms, exit click to end $(field close_ms "$exec_line") ms"
    if [[ "$record" == 1 ]]; then
        [[ "$figure" == run ]] &&
            echo "$scenario A $(field run_ms "$exec_line") $(field peak_rss_kib "$exec_line")" >>"$raw"
        echo "$scenario-phases A $(field shown_ms "$exec_line") $(field run_ms "$exec_line") $(field close_ms "$exec_line")" >>"$raw"
    fi
}

# The command line, `trevalon --run Standard`, without a display (side C of W1 and W2, and X).
cli_note=""
cli_ready() {  # PROG: true when the program knows --run
    [[ -n "$cli_note" ]] && return 1
    # Without a display, a program that does not know --run refuses at once; one that does lists it.
    if ! env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 "$1/trevalon" --help 2>&1 |
        grep -q -- '--run'; then
        cli_note="this build of the program does not know \`--run\` (\`trevalon --help\` does not list it)."
        echo "== the command line not measured: $cli_note"
        return 1
    fi
}

measure_cli() {  # SCENARIO SIDE RECORD PROG: one `trevalon --run Standard` of the program in PROG
    local prog=$4
    measure_line "$1" "$2" "$3" "$bench" exec --stdout "$prog/stdout.txt" -- env -u DISPLAY -u WAYLAND_DISPLAY \
        -u QT_QPA_PLATFORM XDG_DATA_HOME="$prog/xdg" XDG_CONFIG_HOME="$prog/config" "$prog/trevalon" --run Standard
    check_log_end "$1" "$prog/tvl.log"
}

# The sides of a round of W1 or W2, by the scenarios asked for: A the program under Xvfb, B
# the peer, C the command line, O the window offscreen (P6 comes from W1's).
round_sides() {  # W1|W2 PROG
    sides=""
    if wants "$1" && xcb_ready; then sides=" A"; fi
    wants_any "$1" W4 && sides="$sides B"
    if wants_any "$1" W4 && cli_ready "$2"; then sides="$sides C"; fi
    { wants "$1" || { [[ $1 == W1 ]] && wants P6; }; } && sides="$sides O"
    return 0
}
has_side() { [[ " $sides " == *" $1 "* ]]; }

# W1 (and P6, W4 on S): copy-all of tree S, each run into a fresh target: the program under
# Xvfb, cp -a, the same profile from the command line, the window offscreen.
run_window_copy() {
    local i t u d prog sides
    prog=$(program_dir W1-program)
    d=$(fresh_scratch W1)
    round_sides W1 "$prog"
    echo "== W1: copy-all of tree S, sides$sides (A Xvfb, B cp -a, C --run, O offscreen; load $(load_now))"
    for ((i = 0; i <= runs; i++)); do
        local record=$((i > 0 ? 1 : 0))
        if has_side A; then
            t=$(fresh_dir "W1-A")
            all_targets+=("$t")
            write_ini "$prog/tvl.ini" "$trees/S" "$t" copyall
            measure_desktop W1 "$record" run "$prog"
            ((i == 0)) && verify W1 "$trees/S" "$t"
        fi
        if has_side B; then
            u=$(fresh_dir "W1-B")
            all_targets+=("$u")
            measure W1 B "$record" cp -a "$trees/S/." "$u/"
        fi
        if has_side C; then
            t=$(fresh_dir "W1-C")
            all_targets+=("$t")
            write_ini "$prog/tvl.ini" "$trees/S" "$t" copyall
            measure_cli W1 C "$record" "$prog"
            ((i == 0)) && verify W1 "$trees/S" "$t"
        fi
        if has_side O; then
            t=$(fresh_dir "W1-O")
            all_targets+=("$t")
            write_ini "$d/tvl.ini" "$trees/S" "$t" copyall
            measure_window W1 "$record" "$d/tvl.ini"
            ((i == 0)) && verify W1 "$trees/S" "$t"
        fi
    done
    return 0
}

# W2 (and W4 on K): only-newer on tree K with nothing changed: the program under Xvfb, the
# command line and the window offscreen on one copy of K, rsync -a on another.
run_window_unchanged() {
    local i tk tr d prog sides
    prog=$(program_dir W2-program)
    d=$(fresh_scratch W2)
    round_sides W2 "$prog"
    echo "== W2: only-newer on tree K, nothing changed, sides$sides (A Xvfb, B rsync -a, C --run, O offscreen; load $(load_now))"
    tk=$(fresh_dir "W2-A")
    tr=$(fresh_dir "W2-B")
    cp -a "$trees/K/." "$tk/"
    cp -a "$trees/K/." "$tr/"
    all_targets+=("$tk" "$tr")
    write_ini "$d/tvl.ini" "$trees/K" "$tk" onlynew
    write_ini "$prog/tvl.ini" "$trees/K" "$tk" onlynew
    for ((i = 0; i <= runs; i++)); do
        local record=$((i > 0 ? 1 : 0))
        has_side A && measure_desktop W2 "$record" run "$prog"
        has_side B && measure W2 B "$record" rsync -a "$trees/K/" "$tr/"
        has_side C && measure_cli W2 C "$record" "$prog"
        has_side O && measure_window W2 "$record" "$d/tvl.ini"
    done
    return 0
}

xvfb_pid=""
stop_xvfb() {
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
    fi
}

# Starts an X server of our own on $display; fails when the display is taken.
start_xvfb() {
    [[ -n "$xvfb_pid" ]] && return 0
    local number=${display#:} i
    if [[ -e "/tmp/.X11-unix/X$number" || -e "/tmp/.X$number-lock" ]]; then
        echo "bench/run: the display $display is in use; choose another with TVL_BENCH_DISPLAY" >&2
        return 1
    fi
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >>"$log" 2>&1 &
    xvfb_pid=$!
    for ((i = 0; i < 100; i++)); do
        [[ -e "/tmp/.X11-unix/X$number" ]] && return 0
        sleep 0.05
    done
    echo "bench/run: Xvfb did not start on $display" >&2
    return 1
}

xml_text() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' <<<"$1"; }

# write_ffs_batch FILE SOURCE TARGET LOGS: a FreeFileSync batch job that mirrors SOURCE into
# TARGET (compared by time and size), its progress window minimised and closed at the end,
# an error cancelling the job instead of asking, its logs in LOGS.
write_ffs_batch() {
    cat >"$1" <<END_OF_BATCH
<?xml version="1.0" encoding="utf-8"?>
<FreeFileSync XmlType="BATCH" XmlFormat="16">
    <Compare>
        <Variant>TimeAndSize</Variant>
        <Symlinks>Direct</Symlinks>
        <IgnoreTimeShift/>
    </Compare>
    <Synchronize>
        <Variant>Mirror</Variant>
        <DetectMovedFiles>false</DetectMovedFiles>
        <DeletionPolicy>Permanent</DeletionPolicy>
        <VersioningFolder Style="Replace"/>
    </Synchronize>
    <Filter>
        <Include>
            <Item>*</Item>
        </Include>
        <Exclude/>
        <TimeSpan Type="None">0</TimeSpan>
        <SizeMin Unit="None">0</SizeMin>
        <SizeMax Unit="None">0</SizeMax>
    </Filter>
    <FolderPairs>
        <Pair>
            <Left>$(xml_text "$2")</Left>
            <Right>$(xml_text "$3")</Right>
        </Pair>
    </FolderPairs>
    <Errors Ignore="false" Retry="0" Delay="5"/>
    <PostSyncCommand Condition="Completion"/>
    <LogFolder>$(xml_text "$4")</LogFolder>
    <EmailNotification Condition="Always"/>
    <Batch>
        <ProgressDialog Minimized="true" AutoClose="true"/>
        <ErrorDialog>Cancel</ErrorDialog>
        <PostSyncAction>None</PostSyncAction>
    </Batch>
</FreeFileSync>
END_OF_BATCH
}

# W3: the whole program on tree S (copy-all into a fresh target) and on tree K (only-newer,
# nothing changed), from its start to its end, against FreeFileSync's batch mirror.
w3_note=""
run_desktop() {
    xcb_ready || { w3_note="W3 not measured: $xcb_note"; return 0; }
    if ! command -v FreeFileSync >/dev/null; then
        w3_note="W3 not measured: missing FreeFileSync (Debian package freefilesync)."
        echo "== $w3_note"
        return 0
    fi
    local prog ffs i t u tk uk
    prog=$(program_dir W3-program)
    ffs=$(fresh_scratch W3-ffs)
    mkdir -p "$ffs/logs"
    # FreeFileSync's global settings come from the file named after the job, a scratch one.
    local peer=(env DISPLAY="$display" FreeFileSync)

    echo "== W3 on S: the program, copy-all of tree S, vs FreeFileSync batch mirror (load $(load_now))"
    for ((i = 0; i <= runs; i++)); do
        local record=$((i > 0 ? 1 : 0))
        t=$(fresh_dir "W3S-A")
        write_ini "$prog/tvl.ini" "$trees/S" "$t" copyall
        measure_desktop W3S "$record" wall "$prog"
        ((i == 0)) && verify W3S "$trees/S" "$t"
        u=$(fresh_dir "W3S-B")
        write_ffs_batch "$ffs/S.ffs_batch" "$trees/S" "$u" "$ffs/logs"
        measure W3S B "$record" "${peer[@]}" "$ffs/S.ffs_batch" "$ffs/GlobalSettings.xml"
        ((i == 0)) && verify W3S "$trees/S" "$u"
        all_targets+=("$t" "$u")
    done

    echo "== W3 on K: the program, only-newer on tree K, nothing changed, vs FreeFileSync batch mirror (load $(load_now))"
    tk=$(fresh_dir "W3K-A")
    uk=$(fresh_dir "W3K-B")
    cp -a "$trees/K/." "$tk/"
    cp -a "$trees/K/." "$uk/"
    all_targets+=("$tk" "$uk")
    write_ini "$prog/tvl.ini" "$trees/K" "$tk" onlynew
    write_ffs_batch "$ffs/K.ffs_batch" "$trees/K" "$uk" "$ffs/logs"
    for ((i = 0; i <= runs; i++)); do
        local record=$((i > 0 ? 1 : 0))
        measure_desktop W3K "$record" wall "$prog"
        measure W3K B "$record" "${peer[@]}" "$ffs/K.ffs_batch" "$ffs/GlobalSettings.xml"
    done
}
