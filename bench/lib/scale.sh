# shellcheck shell=bash
# bench/run: the scale scenario X, a million empty files from the command line against
# rsync -a, with the peak memory of both. Sourced by bench/run.

# The inodes X takes at most besides its tree: the copy of only-newer and the fresh targets of
# copy-all, 1,000,000 each.
scale_inodes() { echo $(((1 + 2 * runs_x) * 1000000)); }

# X: only-newer with nothing changed on tree X (A `trevalon --run`, B rsync -a; C `--run` on a
# copy of K in the same rounds, for the growth from K to X), then copy-all of X into fresh
# targets (XC: A `--run`, B rsync -a). A and B share one copy of X as their target, which
# neither writes to when nothing changed: a second copy would cost a million inodes and their
# removal. Copy-all has no warm-up round: each of its rounds writes two million files, and the
# rounds of only-newer before it have read all of X's folders and inodes into the cache.
x_note=""
x_target=""  # the copy of X that only-newer ran on by `--run`, for the profiles
run_scale() {
    local progx progk progc i tx tk t u free need
    progx=$(program_dir X-program)
    cli_ready "$progx" || { x_note="X not measured: $cli_note"; echo "== $x_note"; return 0; }
    free=$(df --output=iavail "$work" | tail -n 1 | tr -d ' ')
    need=$(scale_inodes)
    if ((free < need + 1000000)); then
        x_note="X not measured: the work folder's file system has $free free inodes, X needs $need and a margin of a million."
        echo "== $x_note"
        return 0
    fi
    progk=$(program_dir XK-program)
    progc=$(program_dir XC-program)
    echo "== X: a copy of tree X for only-newer (load $(load_now))"
    tx=$(fresh_dir "X-A")
    tk=$(fresh_dir "X-K")
    all_targets+=("$tx" "$tk")
    x_target=$tx
    cp -a "$trees/X/." "$tx/"
    cp -a "$trees/K/." "$tk/"
    write_ini "$progx/tvl.ini" "$trees/X" "$tx" onlynew
    write_ini "$progk/tvl.ini" "$trees/K" "$tk" onlynew

    echo "== X: only-newer on tree X, nothing changed, \`--run\` vs rsync -a; C: \`--run\` on tree K (load $(load_now))"
    for ((i = 0; i <= runs_x; i++)); do
        local record=$((i > 0 ? 1 : 0))
        measure_cli X A "$record" "$progx"
        measure X B "$record" rsync -a "$trees/X/" "$tx/"
        measure_cli X C "$record" "$progk"
    done

    echo "== XC: copy-all of tree X into fresh targets, \`--run\` vs rsync -a (load $(load_now))"
    for ((i = 1; i <= runs_x; i++)); do
        t=$(fresh_dir "XC-A")
        all_targets+=("$t")
        write_ini "$progc/tvl.ini" "$trees/X" "$t" copyall
        measure_cli XC A 1 "$progc"
        ((i == 1)) && verify XC "$trees/X" "$t"
        u=$(fresh_dir "XC-B")
        all_targets+=("$u")
        measure XC B 1 rsync -a "$trees/X/" "$u/"
    done
}
