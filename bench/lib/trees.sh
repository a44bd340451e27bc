# shellcheck shell=bash
# bench/run: the trees the scenarios run on, made by `tvl_bench tree` once and kept. Sourced by bench/run.

# Raise a tree's version when its shape changes, so that the old tree is made anew. 2: K, M and
# X are two folder levels deep, 10 at the top, and every file is dated 2024-01-01.
tree_version() { case $1 in K | M | X) echo 2 ;; *) echo 1 ;; esac; }
make_tree() {   # name
    local name=$1 dir="$trees/$1" tree_version
    tree_version=$(tree_version "$name")
    if [[ -f "$trees/$name.done" && "$(cat "$trees/$name.done")" == "$tree_version" ]]; then return; fi
    [[ -e "$dir" ]] && remove_targets "$dir"
    rm -f "$trees/$name.done"
    echo "== making tree $name"
    "$bench" tree "$name" "$dir" | tee -a "$log"
    echo "$tree_version" >"$trees/$name.done"
}
make_touched() {  # S4: S with every 10th file one hour newer
    local tree_version
    tree_version=$(tree_version S4)
    if [[ -f "$trees/S4.done" && "$(cat "$trees/S4.done")" == "$tree_version" ]]; then return; fi
    [[ -e "$trees/S4" ]] && remove_targets "$trees/S4"
    rm -f "$trees/S4.done"
    echo "== making tree S4 (S, every 10th file one hour newer)"
    cp -a "$trees/S" "$trees/S4"
    "$bench" touch "$trees/S4" 10 3600 | tee -a "$log"
    echo "$tree_version" >"$trees/S4.done"
}

make_trees() {  # the trees the chosen scenarios need
    wants_any P1 P4 P6 W1 W3 W4 && make_tree S
    wants_any P2 && make_tree L
    wants_any P3 P5 W2 W3 W4 X && make_tree K
    wants_any P3 P5 && make_tree M
    wants_any P4 && make_touched
    wants X && make_tree X
    return 0
}
