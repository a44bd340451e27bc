# shellcheck shell=bash
# bench/run: the engine's scenarios P1 to P5, behind a stand-in for the window. Sourced by bench/run.

# P1 / P2: copy-all into a fresh target against cp -a.
run_copy_all() {  # scenario tree
    local scenario=$1 tree="$trees/$2" i t u
    echo "== $scenario: copy-all of tree $2 into a fresh target vs cp -a (load $(load_now))"
    for ((i = 0; i <= runs; i++)); do
        local record=$((i > 0 ? 1 : 0))
        t=$(fresh_dir "$scenario-A")
        measure_engine "$scenario" A "$record" copyall "$tree" "$t"
        check_copied "$scenario" "$(find "$tree" -type f | wc -l)"
        ((i == 0)) && verify "$scenario" "$tree" "$t"
        u=$(fresh_dir "$scenario-B")
        measure "$scenario" B "$record" cp -a "$tree/." "$u/"
        all_targets+=("$t" "$u")
    done
}

# P3 (and the only-newer half of P5): nothing changed; the peer is rsync -a on the same target.
# D: side A with the removal of extras on (it reads every target folder), against A.
run_unchanged() {
    local k="$trees/K" m="$trees/M" tk tm i
    echo "== P3: only-newer on tree K, nothing changed, vs rsync -a; C: the same on tree M (load $(load_now))"
    tk=$(fresh_dir "P3-K")
    tm=$(fresh_dir "P3-M")
    cp -a "$k/." "$tk/"
    cp -a "$m/." "$tm/"
    for ((i = 0; i <= runs; i++)); do
        local record=$((i > 0 ? 1 : 0))
        measure_engine P3 A "$record" onlynew "$k" "$tk"
        check_copied P3 0
        measure P3 D "$record" "$bench" run --mode onlynew --extras trash --source "$k" --target "$tk" \
            --scratch "$scratch"
        check_copied P3 0
        measure P3 B "$record" rsync -a "$k/" "$tk/"
        measure_engine P3 C "$record" onlynew "$m" "$tm"
        check_copied P3 0
    done
    all_targets+=("$tk" "$tm")
}

# P4: a tenth of tree S is newer; each run starts from its own fresh copy of S.
run_touched() {
    local s="$trees/S" s4="$trees/S4" i t u
    echo "== P4: only-newer, 10 % of tree S newer, vs rsync -a (load $(load_now))"
    for ((i = 0; i <= runs; i++)); do
        local record=$((i > 0 ? 1 : 0))
        t=$(fresh_dir "P4-A")
        u=$(fresh_dir "P4-B")
        cp -a "$s/." "$t/"
        cp -a "$s/." "$u/"
        measure_engine P4 A "$record" onlynew "$s4" "$t"
        check_copied P4 2000
        ((i == 0)) && verify P4 "$s4" "$t"
        measure P4 B "$record" rsync -a "$s4/" "$u/"
        all_targets+=("$t" "$u")
    done
}

# P5: growth of a copy-all run from 10,000 to 100,000 files.
run_growth() {
    local k="$trees/K" m="$trees/M" i t u
    echo "== P5: copy-all of tree K (A) vs tree M (B), fresh targets (load $(load_now))"
    for ((i = 0; i <= runs; i++)); do
        local record=$((i > 0 ? 1 : 0))
        t=$(fresh_dir "P5-K")
        measure_engine P5 A "$record" copyall "$k" "$t"
        check_copied P5 100000
        u=$(fresh_dir "P5-M")
        measure_engine P5 B "$record" copyall "$m" "$u"
        check_copied P5 10000
        all_targets+=("$t" "$u")
    done
}
