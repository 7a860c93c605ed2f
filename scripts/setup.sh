#!/usr/bin/env bash
# Brings a Debian 12 machine (as root) to the point where Tessel builds and runs:
# host packages, the cross-built dependency cache and the Wine prefix. Quick when nothing is missing.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

PACKAGES=(g++-mingw-w64-i686-posix libz-mingw-w64-dev libboost-dev googletest
          wine wine32:i386 xvfb xauth cmake make g++ python3 dpkg-dev xz-utils ripgrep
          fonts-dejavu-core fonts-dejavu-extra fonts-wine)

missing_packages() {
    local p
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
    done
}

install_packages() {
    local missing
    missing=$(missing_packages)
    [ -z "$missing" ] && return 0
    log_step "installing host packages: $(echo $missing)"
    [ "$(id -u)" = 0 ] || { echo "setup needs root to install: $missing" >&2; exit 1; }
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt-get update -qq
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
}

# apt-get source needs a deb-src entry beside the machine's own Debian entry.
ensure_deb_src() {
    if grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        return 0
    fi
    log_step "adding a deb-src entry for Debian's source packages"
    cat > /etc/apt/sources.list.d/tessel-src.sources <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    apt-get update -qq
}

ensure_deps() {
    [ -f "$TESSEL_DEPS/.complete" ] && return 0
    ensure_deb_src
    "$TESSEL_ROOT/scripts/build-deps.sh"
}

ensure_wine_prefix() {
    [ -f "$WINEPREFIX/.tessel-ready" ] && return 0
    log_step "creating the Wine prefix $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot --init >/dev/null 2>&1 || true
    wineserver -w
    [ -f "$WINEPREFIX/system.reg" ] || { echo "wineboot did not create $WINEPREFIX" >&2; exit 1; }
    touch "$WINEPREFIX/.tessel-ready"
}

# Settings of the prefix, each applied once (the marker names the set). Windows are not handed
# to a window manager: Wine draws their frames itself, as Windows does, and destroying a shown
# window does not wait two seconds for a manager that Xvfb does not have. Text is drawn from the
# same fonts without smoothing on every machine, so rendered pixels can be compared: Debian's
# DejaVu faces and Wine's own fonts (Tahoma, the system fonts, which Debian's Wine does not load
# from its data folder) are linked into the prefix's font folder.
ensure_wine_settings() {
    local marker="$WINEPREFIX/.tessel-settings-2"
    [ -f "$marker" ] && return 0
    log_step "applying the Wine prefix settings"
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Control Panel\Desktop' /v FontSmoothing /t REG_SZ /d 0 /f >/dev/null 2>&1
    wine reg add 'HKCU\Control Panel\Desktop' /v FontSmoothingType /t REG_DWORD /d 1 /f >/dev/null 2>&1
    local fonts="$WINEPREFIX/drive_c/windows/Fonts" face
    mkdir -p "$fonts"
    for face in /usr/share/fonts/truetype/dejavu/*.ttf /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon; do
        ln -sfn "$face" "$fonts/$(basename "$face")"
    done
    # Wine picks the display driver once per start of its server: one started here, without a
    # display, must be gone before the window tests start theirs.
    wineserver -w
    touch "$marker"
}

install_packages
ensure_deps
ensure_wine_prefix
ensure_wine_settings
