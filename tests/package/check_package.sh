#!/usr/bin/env bash
# Packages a configured and built tree with CPack and checks the .deb as a user's machine
# would meet it. Usage: check_package.sh <build folder> <application id>
set -uo pipefail
build="$1"
id="$2"
work="$(mktemp -d)"
pid=""
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "PACKAGE CHECK FAILED: $*" >&2
    exit 1
}
step() { echo "== $*"; }

step "cpack (stripped) from $build"
(cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack did not make a package"; }
debs=("$work"/deb/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, found: ${debs[*]}"
deb="${debs[0]}"
echo "$(basename "$deb")"

step "contents (dpkg-deb -c)"
dpkg-deb -c "$deb" | tee "$work/contents" | awk '{print "  " $NF}'
for path in ./usr/bin/trevalon "./usr/share/applications/$id.desktop" "./usr/share/metainfo/$id.metainfo.xml" \
    ./usr/share/man/man1/trevalon.1.gz "./usr/share/icons/hicolor/32x32/apps/$id.png" \
    "./usr/share/icons/hicolor/scalable/apps/$id.svg"; do
    grep -q " $path\$" "$work/contents" || fail "the package lacks $path"
done

step "control fields"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "  Depends: $depends"
for need in libqt6widgets6 libc6 qt6-qpa-plugins; do
    [[ "$depends" == *"$need"* ]] || fail "Depends does not name $need (are the library dependencies found?)"
done

dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb -x could not unpack the package"
root="$work/root"
step "binary"
kind="$(file -b "$root/usr/bin/trevalon")"
echo "  $kind"
[[ "$kind" == *", stripped"* ]] || fail "the program in the package is not stripped"

step "desktop entry (desktop-file-validate)"
desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "the desktop entry is not valid"
grep -qx "Exec=trevalon" "$root/usr/share/applications/$id.desktop" || fail "the desktop entry does not start trevalon"
step "metainfo (appstreamcli validate --no-net)"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" || fail "the AppStream file is not valid"

step "trevalon --version without a display"
version="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/trevalon" --version)" ||
    fail "trevalon --version failed"
echo "  $version"
[[ "$version" =~ ^Trevalon\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "trevalon --version does not print the name and version"

step "first start of the unpacked program (offscreen, fresh XDG_CONFIG_HOME)"
mkdir -p "$work/home"
config="$work/config"
log="$config/trevalon/tvl.log"
HOME="$work/home" XDG_CONFIG_HOME="$config" QT_QPA_PLATFORM=offscreen \
    "$root/usr/bin/trevalon" >"$work/program.out" 2>&1 &
pid=$!
# The window writes its two lines as it loads; it gets 30 s on a busy machine.
for _ in $(seq 300); do
    [ "$(grep -c "geladen!" "$log" 2>/dev/null)" = 2 ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null
else
    wait "$pid"
    echo "  the program ended by itself with status $?; its output:"
    sed 's/^/    /' "$work/program.out"
fi
pid=""
[ -f "$log" ] || fail "no tvl.log in $config/trevalon; files there: $(ls -A "$config/trevalon" 2>&1)"
sed 's/^/  tvl.log: /' "$log"
lines="$(tr -d '\r' <"$log" | sed -E 's/^[0-9.]+ - [0-9:]+//')"
[ "$lines" = " - Trevalon geladen!"$'\n'" - [Standard] geladen!" ] || fail "tvl.log does not hold the two start-up lines"
grep -qx "dir_a=$work/home" <(tr -d '\r' <"$config/trevalon/tvl.ini") || fail "tvl.ini lacks the home folder as the Standard profile's source"
[ -z "$(find "$root" -name 'tvl.*')" ] || fail "the program wrote beside itself: $(find "$root" -name 'tvl.*')"
echo "package check passed"
