#!/usr/bin/env bash
# Brings a Debian 12 machine (as root) to the point where Tessel builds and runs:
# host packages, the cross-built dependency cache and the Wine prefix. Quick when nothing is missing.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
source "$TESSEL_ROOT/scripts/wine-env.sh"

PACKAGES=(g++-mingw-w64-i686-posix libz-mingw-w64-dev libboost-dev googletest
          wine wine32:i386 xvfb xauth cmake make g++ python3 dpkg-dev xz-utils ripgrep
          fonts-dejavu-core fonts-dejavu-extra fonts-wine fonts-liberation2 fonts-wqy-microhei)

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

# The fonts the prefix carries, linked into its font folder: Debian's DejaVu faces, Liberation
# (metric-compatible with Arial, Times New Roman and Courier New, the faces programs ask for by
# name), WenQuanYi Micro Hei for Han, Kana and Hangul, and Wine's own (Tahoma, the system fonts),
# which Debian's Wine does not load from its data folder. Kept as patterns and expanded only when
# the fonts are linked: on a new machine their packages are installed by then.
PREFIX_FONT_PATTERNS=('/usr/share/fonts/truetype/dejavu/*.ttf' '/usr/share/fonts/truetype/liberation2/*.ttf'
                      '/usr/share/fonts/truetype/wqy/wqy-microhei.ttc' '/usr/share/wine/fonts/*.ttf'
                      '/usr/share/wine/fonts/*.fon')

# The font files, one a line; fails naming a pattern that matches none (its package is missing).
prefix_fonts() {
    local pattern file found
    for pattern in "${PREFIX_FONT_PATTERNS[@]}"; do
        found=0
        for file in $pattern; do
            [ -f "$file" ] || continue
            echo "$file"
            found=1
        done
        if [ "$found" = 0 ]; then
            echo "no font file matches $pattern: install the package that brings it (scripts/setup.sh lists them)" >&2
            return 1
        fi
    done
}

# Links the fonts into the prefix's font folder, and drops links that lead nowhere (an earlier
# set-up linked its patterns unexpanded, and a removed package leaves its links behind).
link_prefix_fonts() {
    local fonts="$WINEPREFIX/drive_c/windows/Fonts" list face link
    list=$(prefix_fonts) || return 1
    mkdir -p "$fonts"
    for link in "$fonts"/*; do
        if [ -L "$link" ] && [ ! -e "$link" ]; then rm -f "$link"; fi
    done
    while IFS= read -r face; do
        ln -sfn "$face" "$fonts/$(basename "$face")"
    done <<<"$list"
}

# What is wrong with the prefix's window metrics, one problem a line; nothing when they are sane.
# Wine computes them once, when it makes the prefix, from the fonts it sees then: a prefix made
# without fonts keeps a menu two billion pixels high, and every window of it draws blank.
metric_problems() {
    [ -f "$WINEPREFIX/user.reg" ] || { echo "it has no user.reg"; return 0; }
    awk '
        /^\[/ { metrics = index($0, "[Control Panel\\\\Desktop\\\\WindowMetrics]") == 1; next }
        metrics && /^"(MenuHeight|CaptionHeight|ScrollWidth|ScrollHeight)"="-?[0-9]+"$/ {
            split($0, part, "\"")
            seen[part[2]] = part[4]
        }
        END {
            split("MenuHeight CaptionHeight ScrollWidth ScrollHeight", names, " ")
            for (i = 1; i <= 4; ++i) {
                name = names[i]
                if (!(name in seen))
                    printf "%s is not stored\n", name
                else if (seen[name] + 0 < 10 || seen[name] + 0 > 100)
                    printf "%s is %s pixels\n", name, seen[name]
            }
        }' "$WINEPREFIX/user.reg"
}

# Every problem of the prefix: its metrics, and font links that lead nowhere.
prefix_problems() {
    metric_problems
    local link
    for link in "$WINEPREFIX/drive_c/windows/Fonts"/*; do
        if [ -L "$link" ] && [ ! -e "$link" ]; then
            echo "the font link $(basename "$link") leads nowhere ($(readlink "$link"))"
        fi
    done
}

# Makes the prefix with its fonts in place before Wine's first start, so that Wine computes its
# metrics from them. A prefix made without them (as the set-up once did) is made anew, keeping
# Tessel's user folders in it.
ensure_wine_prefix() {
    local problems kept=""
    if [ -f "$WINEPREFIX/.tessel-ready" ]; then
        problems=$(metric_problems)
        [ -z "$problems" ] && return 0
        log_step "the Wine prefix $WINEPREFIX was made without its fonts ($(echo $problems)): making it anew, keeping Tessel's user folders"
        wineserver -k >/dev/null 2>&1 || true
        kept=$(mktemp -d "$(dirname "$WINEPREFIX")/kept.XXXXXX")
        (cd "$WINEPREFIX/drive_c" &&
            find users -path 'users/*/AppData/Roaming/Tessel' -prune -type d -exec cp -a --parents -t "$kept" {} +)
    else
        log_step "creating the Wine prefix $WINEPREFIX"
    fi
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    link_prefix_fonts || exit 1
    wineboot --init >/dev/null 2>&1 || true
    wineserver -w
    [ -f "$WINEPREFIX/system.reg" ] || { echo "wineboot did not create $WINEPREFIX" >&2; exit 1; }
    if [ -n "$kept" ]; then
        cp -a "$kept/." "$WINEPREFIX/drive_c/"
        rm -rf "$kept"
    fi
    touch "$WINEPREFIX/.tessel-ready"
}

# The last step: a prefix with problems is never used, since its windows would come up blank.
check_wine_prefix() {
    local problems line
    problems=$(prefix_problems)
    [ -z "$problems" ] && return 0
    {
        echo "The Wine prefix $WINEPREFIX is not usable:"
        while IFS= read -r line; do echo "  - $line"; done <<<"$problems"
        echo "Remove it (rm -rf '$WINEPREFIX') and run the command again: the set-up makes it anew."
        echo "Should that not mend it, check that the font packages named in scripts/setup.sh are installed."
    } >&2
    exit 1
}

# Names resolve to the prefix's faces: for a face it lacks ("Courier New", "Arial") Wine takes
# Liberation Sans, or Liberation Mono for a fixed pitch (the stock fixed font asks for one) and
# Liberation Serif for a roman family, so those names need no replacement; "MS Gothic", the face the editor falls
# back to for Han, Kana and Hangul, is WenQuanYi Micro Hei Mono under that name (a Wine
# replacement); and font linking draws them in Tahoma, the face of dialogs and messages, from
# WenQuanYi Micro Hei. Wine writes its own links anew when the code page changes: the set-up
# writes them again when they are gone.
FONT_REPLACEMENTS=("MS Gothic=WenQuanYi Micro Hei Mono")
CJK_LINK='wqy-microhei.ttc,WenQuanYi Micro Hei'

# Deletions, as a registry file, of the font entries naming files outside the prefix (on a drive
# other than C:) that Wine recorded while it saw the host's fonts: Wine loads such an entry in
# every later program of the prefix. Empty when there are none. Read from the prefix's registry
# files; a running server writes its changes there within seconds.
host_font_deletions() {
    local file root
    for file in system.reg user.reg; do
        [ "$file" = system.reg ] && root=HKEY_LOCAL_MACHINE || root=HKEY_CURRENT_USER
        awk -v root="$root" '
            /^\[/ {
                key = $0
                sub(/^\[/, "", key)
                sub(/\] [0-9]+$/, "", key)
                fonts = key ~ /^Software\\\\Microsoft\\\\Windows( NT)?\\\\CurrentVersion\\\\Fonts$/ ||
                        key == "Software\\\\Wine\\\\Fonts\\\\External Fonts"
                named = 0
                next
            }
            fonts && /^"([^"\\]|\\.)*"="[A-BD-Za-bd-z]:\\\\/ {
                if (!named) {
                    gsub(/\\\\/, "\\", key)
                    printf "\r\n[%s\\%s]\r\n", root, key
                    named = 1
                }
                value = $0
                sub(/"="[^"]*"$/, "\"", value)
                printf "%s=-\r\n", value
            }' "$WINEPREFIX/$file"
    done
}

# Removes what host_font_deletions finds; quick when the prefix is clean.
remove_host_fonts() {
    local deletions
    deletions=$(host_font_deletions)
    [ -z "$deletions" ] && return 0
    log_step "removing the host's fonts that an earlier run recorded in the Wine prefix"
    local file
    file=$(mktemp --suffix=.reg)
    printf 'Windows Registry Editor Version 5.00\r\n%s\r\n' "$deletions" > "$file"
    wine reg import "$(winepath -w "$file")" >/dev/null 2>&1
    rm -f "$file"
    wineserver -w
}

# The system colours of a default Windows 10 installation ("Control Panel\Colors"), in place of
# Wine's own scheme, so that Tessel under Wine looks as it does on Windows: Wine paints the active
# border white like the button highlight, and the gutter draws its numbers in the one over the
# other.
WINDOWS_COLOURS=("ActiveBorder=180 180 180" "ActiveTitle=153 180 209" "AppWorkspace=171 171 171"
                 "Background=0 0 0" "ButtonAlternateFace=0 0 0" "ButtonDkShadow=105 105 105"
                 "ButtonFace=240 240 240" "ButtonHilight=255 255 255" "ButtonLight=227 227 227"
                 "ButtonShadow=160 160 160" "ButtonText=0 0 0" "GradientActiveTitle=185 209 234"
                 "GradientInactiveTitle=215 228 242" "GrayText=109 109 109" "Hilight=0 120 215"
                 "HilightText=255 255 255" "HotTrackingColor=0 102 204" "InactiveBorder=244 247 252"
                 "InactiveTitle=191 205 219" "InactiveTitleText=0 0 0" "InfoText=0 0 0"
                 "InfoWindow=255 255 225" "Menu=240 240 240" "MenuBar=240 240 240"
                 "MenuHilight=0 120 215" "MenuText=0 0 0" "Scrollbar=200 200 200" "TitleText=0 0 0"
                 "Window=255 255 255" "WindowFrame=100 100 100" "WindowText=0 0 0")

# The colour of the name in the prefix's "Control Panel\Colors" ("180 180 180"), as its registry
# file holds it; empty when it holds none.
prefix_colour() {
    awk -v name="$1" '
        /^\[/ { colours = index($0, "[Control Panel\\\\Colors]") == 1; next }
        colours {
            split($0, part, "\"")
            if (tolower(part[2]) == tolower(name)) { print part[4]; exit }
        }' "$WINEPREFIX/user.reg" 2>/dev/null
}

# Writes WINDOWS_COLOURS into the prefix, in one import.
apply_windows_colours() {
    local file pair
    file=$(mktemp --suffix=.reg)
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Colors]\r\n'
        for pair in "${WINDOWS_COLOURS[@]}"; do printf '"%s"="%s"\r\n' "${pair%%=*}" "${pair#*=}"; done
    } >"$file"
    wine reg import "$(winepath -w "$file")" >/dev/null 2>&1
    rm -f "$file"
}

# Settings of the prefix, applied once per set (the marker names the set, so a prefix made
# before a change takes the new set). Windows are not handed to a window manager: Wine draws
# their frames itself, as Windows does, and destroying a shown window does not wait two seconds
# for a manager that Xvfb does not have. Text is drawn from the prefix's fonts without smoothing
# on every machine, so rendered pixels can be compared.
ensure_wine_settings() {
    local marker="$WINEPREFIX/.tessel-settings-4"
    [ -f "$marker" ] && grep -qF "$CJK_LINK" "$WINEPREFIX/system.reg" &&
        [ "$(prefix_colour ActiveBorder)" = "180 180 180" ] && return 0
    log_step "applying the Wine prefix settings"
    local pair
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Control Panel\Desktop' /v FontSmoothing /t REG_SZ /d 0 /f >/dev/null 2>&1
    wine reg add 'HKCU\Control Panel\Desktop' /v FontSmoothingType /t REG_DWORD /d 1 /f >/dev/null 2>&1
    for pair in "${FONT_REPLACEMENTS[@]}"; do
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" /t REG_SZ /d "${pair#*=}" /f >/dev/null 2>&1
    done
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v Tahoma /t REG_MULTI_SZ /d "$CJK_LINK" /f >/dev/null 2>&1
    apply_windows_colours
    # Wine picks the display driver once per start of its server: one started here, without a
    # display, must be gone before the window tests start theirs.
    wineserver -w
    rm -f "$WINEPREFIX"/.tessel-settings-*
    touch "$marker"
}

# The Wine prefix WINEPREFIX names, made or mended with its fonts and settings, and checked; the
# fonts' packages must be in place. The scaled end-to-end runs make a prefix of their own with it.
setup_wine_prefix() {
    ensure_wine_prefix
    link_prefix_fonts || exit 1
    remove_host_fonts
    ensure_wine_settings
    check_wine_prefix
}

# The order matters: the fonts come with the packages, and the prefix is made with them in place.
setup_main() {
    install_packages
    ensure_deps
    setup_wine_prefix
}

# Sourced (by the set-up's own test), it only defines its steps.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    setup_main
fi
