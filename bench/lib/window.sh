# shellcheck shell=bash
# bench/run: the window's scenarios: W1 (and P6) and W2 offscreen, W3 the whole program under
# Xvfb against FreeFileSync, W4 the command line. Sourced by bench/run.

# measure_window SCENARIO RECORD INI: one run through the real window, offscreen: the time
# from the click to the completion line. W1's runs also give P6's paint gaps.
measure_window() {
    local scenario=$1 record=$2 ini=$3 out
    sync
    if ! out=$(QT_QPA_PLATFORM=offscreen "$window" --ini "$ini" 2>>"$log"); then
        echo "bench/run: $scenario A failed: $out" >&2
        tail -n 5 "$log" >&2
        exit 1
    fi
    echo "$scenario A: $out" >>"$log"
    printf '  %-3s %-2s %8s ms  window thread %s ms CPU; longest paint gap %s ms, %s paints\n' "$scenario" A \
        "$(field run_ms "$out")" "$(field window_cpu_ms "$out")" "$(field longest_gap_ms "$out")" \
        "$(field status_paints "$out")"
    if [[ "$record" == 1 ]]; then
        echo "$scenario A $(field run_ms "$out") - -" >>"$raw"
        echo "$scenario-cpu A $(field window_cpu_ms "$out") $(field process_cpu_ms "$out")" >>"$raw"
        if [[ "$scenario" == W1 ]]; then
            echo "P6 W $(field longest_gap_ms "$out") $(field status_paints "$out") $(field run_ms "$out") $(field longest_gap_at_ms "$out")" >>"$raw"
        fi
    fi
}

# W1 (and P6): copy-all of tree S through the window against cp -a, each into a fresh target.
run_window_copy() {
    local i t u d peer=0 versus=""
    wants W1 && peer=1 && versus=" vs cp -a"
    echo "== W1: copy-all of tree S through the window$versus; P6: its paints (load $(load_now))"
    for ((i = 0; i <= runs; i++)); do
        local record=$((i > 0 ? 1 : 0))
        t=$(fresh_dir "W1-A")
        d=$(fresh_scratch W1)
        write_ini "$d/tvl.ini" "$trees/S" "$t" copyall
        measure_window W1 "$record" "$d/tvl.ini"
        ((i == 0)) && verify W1 "$trees/S" "$t"
        all_targets+=("$t")
        if ((peer)); then
            u=$(fresh_dir "W1-B")
            measure W1 B "$record" cp -a "$trees/S/." "$u/"
            all_targets+=("$u")
        fi
    done
}

# W2: only-newer on tree K with nothing changed, through the window, against rsync -a; each
# side has its own copy of K as its target.
run_window_unchanged() {
    local i tk tr d
    echo "== W2: only-newer on tree K, nothing changed, through the window vs rsync -a (load $(load_now))"
    tk=$(fresh_dir "W2-A")
    tr=$(fresh_dir "W2-B")
    cp -a "$trees/K/." "$tk/"
    cp -a "$trees/K/." "$tr/"
    all_targets+=("$tk" "$tr")
    d=$(fresh_scratch W2)
    write_ini "$d/tvl.ini" "$trees/K" "$tk" onlynew
    for ((i = 0; i <= runs; i++)); do
        local record=$((i > 0 ? 1 : 0))
        measure_window W2 "$record" "$d/tvl.ini"
        measure W2 B "$record" rsync -a "$trees/K/" "$tr/"
    done
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

# measure_desktop SCENARIO RECORD COMMAND...: one `tvl_bench desktop` run; its phases go to raw.txt.
measure_desktop() {
    local scenario=$1 record=$2
    shift 2
    measure_line "$scenario" A "$record" "$@"
    echo "      start to window $(field shown_ms "$exec_line") ms, click to completion line $(field run_ms "$exec_line") ms, exit click to end $(field close_ms "$exec_line") ms"
    if [[ "$record" == 1 ]]; then
        echo "$scenario-phases A $(field shown_ms "$exec_line") $(field run_ms "$exec_line") $(field close_ms "$exec_line")" >>"$raw"
    fi
}

# W3: the whole program on tree S (copy-all into a fresh target) and on tree K (only-newer,
# nothing changed), from its start to its end, against FreeFileSync's batch mirror.
w3_note=""
run_desktop() {
    local missing="" tool
    for tool in Xvfb xdotool FreeFileSync; do command -v "$tool" >/dev/null || missing="$missing $tool"; done
    if [[ -n "$missing" ]]; then
        w3_note="W3 not measured: missing$missing (Debian packages xvfb, xdotool, freefilesync)."
        echo "== $w3_note"
        return 0
    fi
    start_xvfb || exit 1
    local buttons prog ffs run_at exit_at i t u tk uk
    buttons=$(QT_QPA_PLATFORM=offscreen "$window" --buttons 2>>"$log")
    run_at="$(field run_x "$buttons"),$(field run_y "$buttons")"
    exit_at="$(field exit_x "$buttons"),$(field exit_y "$buttons")"
    prog=$(program_dir W3-program)
    ffs=$(fresh_scratch W3-ffs)
    mkdir -p "$ffs/logs"
    local desktop=(env DISPLAY="$display" XDG_DATA_HOME="$prog/xdg" XDG_CONFIG_HOME="$prog/config"
        "$bench" desktop --log "$prog/tvl.log" --window '^Trevalon - ' --run "$run_at" --exit "$exit_at"
        --timeout 600 -- "$prog/trevalon")
    # FreeFileSync's global settings come from the file named after the job, a scratch one.
    local peer=(env DISPLAY="$display" FreeFileSync)

    echo "== W3 on S: the program, copy-all of tree S, vs FreeFileSync batch mirror (load $(load_now))"
    for ((i = 0; i <= runs; i++)); do
        local record=$((i > 0 ? 1 : 0))
        t=$(fresh_dir "W3S-A")
        write_ini "$prog/tvl.ini" "$trees/S" "$t" copyall
        measure_desktop W3S "$record" "${desktop[@]}"
        check_log_end W3S "$prog/tvl.log"
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
        measure_desktop W3K "$record" "${desktop[@]}"
        check_log_end W3K "$prog/tvl.log"
        measure W3K B "$record" "${peer[@]}" "$ffs/K.ffs_batch" "$ffs/GlobalSettings.xml"
    done
    stop_xvfb
}

# W4: a profile run from the command line, without a display, against cp -a and rsync -a.
w4_note=""
run_cli() {
    local prog i t u tk ur
    prog=$(program_dir W4-program)
    # Without a display, a program that does not know --run refuses at once; one that does lists it.
    if ! env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 "$prog/trevalon" --help 2>&1 |
        grep -q -- '--run'; then
        w4_note="W4 not measured: this build of the program does not know \`--run\` (\`trevalon --help\` does not list it)."
        echo "== $w4_note"
        return 0
    fi
    local cli=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_DATA_HOME="$prog/xdg"
        XDG_CONFIG_HOME="$prog/config" "$prog/trevalon" --run Standard)

    echo "== W4 on S: \`trevalon --run\`, copy-all of tree S, vs cp -a (load $(load_now))"
    for ((i = 0; i <= runs; i++)); do
        local record=$((i > 0 ? 1 : 0))
        t=$(fresh_dir "W4S-A")
        write_ini "$prog/tvl.ini" "$trees/S" "$t" copyall
        measure_line W4S A "$record" "$bench" exec --stdout "$prog/stdout.txt" -- "${cli[@]}"
        check_log_end W4S "$prog/tvl.log"
        ((i == 0)) && verify W4S "$trees/S" "$t"
        u=$(fresh_dir "W4S-B")
        measure W4S B "$record" cp -a "$trees/S/." "$u/"
        all_targets+=("$t" "$u")
    done

    echo "== W4 on K: \`trevalon --run\`, only-newer on tree K, nothing changed, vs rsync -a (load $(load_now))"
    tk=$(fresh_dir "W4K-A")
    ur=$(fresh_dir "W4K-B")
    cp -a "$trees/K/." "$tk/"
    cp -a "$trees/K/." "$ur/"
    all_targets+=("$tk" "$ur")
    write_ini "$prog/tvl.ini" "$trees/K" "$tk" onlynew
    for ((i = 0; i <= runs; i++)); do
        local record=$((i > 0 ? 1 : 0))
        measure_line W4K A "$record" "$bench" exec --stdout "$prog/stdout.txt" -- "${cli[@]}"
        check_log_end W4K "$prog/tvl.log"
        measure W4K B "$record" rsync -a "$trees/K/" "$ur/"
    done
}
