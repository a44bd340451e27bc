# Sourced by the scripts: installs the Debian packages a step needs, only those that are
# missing, so that running it again costs nothing.
tvl_need_packages() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# The program itself; qt6-translations-l10n holds the toolkit's German for its own buttons and menus.
TVL_BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev libgl-dev qt6-translations-l10n)
# The test suite, and the check of the package it makes; the drivers and mkfs tools of the
# media a mirror lands on (FAT32, exFAT, NTFS on image files, through FUSE).
TVL_TEST_PACKAGES=(libgtest-dev googletest rsync dpkg-dev file desktop-file-utils appstream
                   fuse3 fusefat exfat-fuse ntfs-3g dosfstools exfatprogs)
# The Debian package: dpkg-shlibdeps (dpkg-dev) finds the libraries' packages, file tells binaries.
TVL_PACKAGE_PACKAGES=(dpkg-dev file)
# Redrawing the icons (ui/icons/make_icons.sh).
TVL_ICON_PACKAGES=(imagemagick librsvg2-bin)
