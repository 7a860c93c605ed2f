#!/usr/bin/env bash
# The set-up's Wine prefix, made as on a new machine: Wine must see the prefix's fonts from its
# first start, a prefix an earlier set-up made without them is made anew (Tessel's user folder
# kept), a missing font stops the set-up with a message rather than a blank window later, and the
# prefix has the system colours of Windows.
# Each case makes a prefix of its own in a temporary folder (about 15 seconds each).
set -euo pipefail
source "$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/setup.sh"
set +e

scratch=$(mktemp -d)
prefixes=()
cleanup() {
    local prefix
    for prefix in "${prefixes[@]}"; do WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1; done
    rm -rf "$scratch"
}
trap cleanup EXIT
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
use_prefix() { export WINEPREFIX=$scratch/$1; prefixes+=("$WINEPREFIX"); }

# The fonts arrive with the packages: the step that installs them copies real font files into a
# folder the patterns name, so a font list taken before that step finds nothing.
packaged=$scratch/packaged-fonts
PREFIX_FONT_PATTERNS=("$packaged/*.ttf" "$packaged/*.fon")
install_packages() { mkdir -p "$packaged" && cp /usr/share/wine/fonts/* /usr/share/fonts/truetype/liberation2/*.ttf "$packaged/"; }
ensure_deps() { :; }

case_fonts_installed_by_the_packages_are_seen_at_the_first_start() {
    use_prefix fresh
    local out
    if ! out=$( (setup_main) 2>&1); then
        fail "the set-up of a new prefix failed: $out"
        return
    fi
    [ -z "$(prefix_problems)" ] || fail "a new prefix has problems: $(prefix_problems)"
    [ -e "$WINEPREFIX/drive_c/windows/Fonts/tahoma.ttf" ] || fail "the new prefix lacks Tahoma"
    [ "$(readlink "$WINEPREFIX/drive_c/windows/Fonts/tahoma.ttf")" = "$packaged/tahoma.ttf" ] ||
        fail "Tahoma is not the packaged one"
}

# The system colours of a default Windows installation, where the gutter's ordinary line
# numbers (the button highlight over the active border) can be read; a prefix an earlier set-up
# made, with Wine's white active border, takes them too.
case_the_prefix_has_the_colours_of_windows_also_when_an_earlier_set_up_made_it() {
    export WINEPREFIX=$scratch/fresh
    local border highlight
    border=$(prefix_colour ActiveBorder) highlight=$(prefix_colour ButtonHilight)
    [ -n "$border" ] && [ "$border" != "$highlight" ] ||
        fail "the active border ($border) is not told from the button highlight ($highlight)"
    [ "$border" = "180 180 180" ] || fail "the active border is $border, not Windows' 180 180 180"
    # As the earlier set-up left it: Wine's own scheme, and the marker of that set.
    local old=$scratch/wine-colours.reg out
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Colors]\r\n"ActiveBorder"="255 255 255"\r\n' >"$old"
    wine reg import "$(winepath -w "$old")" >/dev/null 2>&1
    rm -f "$WINEPREFIX"/.tessel-settings-*
    touch "$WINEPREFIX/.tessel-settings-3"
    wineserver -w
    [ "$(prefix_colour ActiveBorder)" = "255 255 255" ] || fail "the case could not give the prefix Wine's colours"
    if ! out=$( (ensure_wine_settings) 2>&1); then
        fail "the settings of an earlier set-up's prefix were not renewed: $out"
        return
    fi
    border=$(prefix_colour ActiveBorder) highlight=$(prefix_colour ButtonHilight)
    [ "$border" = "180 180 180" ] && [ "$border" != "$highlight" ] ||
        fail "an earlier set-up's prefix keeps the active border $border beside the button highlight $highlight"
    [ ! -e "$WINEPREFIX/.tessel-settings-3" ] || fail "the earlier set's marker stayed"
    out=$( (ensure_wine_settings) 2>&1)
    [ -z "$out" ] || fail "settings in place were applied again: $out"
}

case_a_prefix_made_without_fonts_is_made_anew_keeping_the_user_folder() {
    use_prefix old
    install_packages
    # As the earlier set-up made it: Wine's first start sees no font, and the patterns are linked
    # unexpanded.
    (wineboot --init >/dev/null 2>&1; wineserver -w)
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    ln -s "$packaged/*.fon" "$WINEPREFIX/drive_c/windows/Fonts/*.fon"
    touch "$WINEPREFIX/.tessel-ready"
    local settings
    settings=$(find "$WINEPREFIX/drive_c/users" -maxdepth 1 -mindepth 1 -type d ! -name Public | head -n1)/AppData/Roaming/Tessel/config
    mkdir -p "$settings"
    echo "{ version : '1' }" >"$settings/preferences.tsConfig"
    [ -n "$(metric_problems)" ] || fail "a prefix made without fonts shows no problem (Wine may now do better: the case needs another way to break it)"
    local out
    if ! out=$( (ensure_wine_prefix && link_prefix_fonts) 2>&1); then
        fail "the old prefix was not made anew: $out"
        return
    fi
    [ "$(grep -c 'made without its fonts' <<<"$out")" = 1 ] || fail "the set-up did not say in one line that it made the prefix anew: $out"
    [ -z "$(prefix_problems)" ] || fail "the prefix made anew has problems: $(prefix_problems)"
    [ "$(cat "$settings/preferences.tsConfig" 2>/dev/null)" = "{ version : '1' }" ] || fail "the user folder was lost"
    out=$( (ensure_wine_prefix) 2>&1)
    [ -z "$out" ] || fail "a sound prefix was made again: $out"
}

case_a_missing_font_stops_the_set_up_naming_it() {
    use_prefix unfinished
    local out
    PREFIX_FONT_PATTERNS=("$scratch/nowhere/*.ttf")
    if out=$( (ensure_wine_prefix) 2>&1); then
        fail "a prefix was made without its fonts"
    fi
    grep -qF "no font file matches $scratch/nowhere/*.ttf" <<<"$out" || fail "the message does not name the font: $out"
    [ ! -f "$WINEPREFIX/.tessel-ready" ] || fail "the unfinished prefix is marked ready"
    PREFIX_FONT_PATTERNS=("$packaged/*.ttf" "$packaged/*.fon")
}

case_a_link_leading_nowhere_is_a_problem_until_the_fonts_are_linked_again() {
    export WINEPREFIX=$scratch/fresh
    ln -s "$scratch/gone.ttf" "$WINEPREFIX/drive_c/windows/Fonts/gone.ttf"
    grep -q "gone.ttf leads nowhere" <<<"$(prefix_problems)" || fail "a link leading nowhere is not named"
    local out
    if out=$( (check_wine_prefix) 2>&1); then
        fail "a prefix with a link leading nowhere passed the check"
    fi
    grep -qF "rm -rf '$WINEPREFIX'" <<<"$out" || fail "the check does not say how to mend the prefix: $out"
    link_prefix_fonts
    [ -z "$(prefix_problems)" ] || fail "linking the fonts again left: $(prefix_problems)"
}

for test_case in case_fonts_installed_by_the_packages_are_seen_at_the_first_start \
    case_the_prefix_has_the_colours_of_windows_also_when_an_earlier_set_up_made_it \
    case_a_prefix_made_without_fonts_is_made_anew_keeping_the_user_folder \
    case_a_missing_font_stops_the_set_up_naming_it \
    case_a_link_leading_nowhere_is_a_problem_until_the_fonts_are_linked_again; do
    echo "== $test_case"
    before=$failures
    "$test_case"
    [ "$failures" = "$before" ] && echo "   passed"
done
[ "$failures" = 0 ]
