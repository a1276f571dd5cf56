#!/usr/bin/env bash
# Builds the Debian package and checks it: its version, files, desktop entry,
# metainfo and manual pages, its dependencies, and both programs run from the
# unpacked package. As root on a machine without TAMO it also installs the
# package with apt-get, runs the installed programs the same way and removes it.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
    echo "check-package: FAILED: $*" >&2
    exit 1
}
step() { echo "-- package: $*"; }

scripts/build-package.sh
debs=(build/default/package/tamo_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one package in build/default/package"
deb=$(realpath "${debs[0]}")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/default/CMakeCache.txt)
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] ||
    fail "the package's version $(dpkg-deb -f "$deb" Version) is not the project's $version"
[ "$(basename "$deb")" = "tamo_${version}_$(dpkg --print-architecture).deb" ] ||
    fail "unexpected package file name $(basename "$deb")"

scratch=$(mktemp -d)
installed_by_us=""
cleanup() {
    if [ -n "$installed_by_us" ]; then
        echo "check-package: removing the package installed for the check" >&2
        apt-get remove -y -qq --purge -o DPkg::Lock::Timeout=600 tamo >/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT
root=$scratch/root
dpkg-deb -x "$deb" "$root"

step "files"
doc=usr/share/doc/tamo
expected=(usr/bin/tamo usr/bin/tamo-calibrate usr/lib/tamo/tamo-calibrate-plots.so
          "$doc/tamo.html" usr/share/applications/tamo.desktop
          usr/share/man/man1/tamo.1.gz usr/share/man/man1/tamo-calibrate.1.gz)
for f in docs/*.png examples/*.txt; do # the pictures beside the manual, the examples
    if [ -e "$f" ]; then expected+=("$doc/${f#docs/}"); fi
done
for f in "${expected[@]}"; do
    [ -f "$root/$f" ] || fail "the package lacks /$f"
done

step "desktop entry, icon and metainfo"
desktop=$root/usr/share/applications/tamo.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects tamo.desktop"
metainfos=("$root"/usr/share/metainfo/*.metainfo.xml)
[ ${#metainfos[@]} -eq 1 ] && [ -f "${metainfos[0]}" ] || fail "expected one metainfo file"
metainfo=${metainfos[0]}
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $(basename "$metainfo")"
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli rejects the installed tree"
id=$(sed -n 's|.*<id>\(.*\)</id>.*|\1|p' "$metainfo")
[ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || fail "the metainfo file is not named $id.metainfo.xml"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
    fail "the desktop entry's icon \"$icon\" is not installed"
grep -q "<icon type=\"stock\">$icon</icon>" "$metainfo" || fail "the metainfo names another icon than \"$icon\""

step "manual pages"
# Renders a manual page as plain text; groff's warnings are failures.
render_man() {
    local warnings
    warnings=$(zcat "$1" | groff -man -Tutf8 -ww -z 2>&1) || fail "groff cannot read $1"
    [ -z "$warnings" ] || fail "groff warns about $(basename "$1"): $warnings"
    MANWIDTH=100 man -l "$1" 2>/dev/null | col -b
}
long_options() { grep -o -- '--[a-z][a-z-]*' | sort -u; }
for program in tamo tamo-calibrate; do
    page=$(render_man "$root/usr/share/man/man1/$program.1.gz")
    grep -q "TAMO $version" <<<"$page" || fail "the manual page of $program does not show version $version"
    help=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/$program" --help 2>/dev/null)
    missing=$(comm -23 <(long_options <<<"$help") <(long_options <<<"$page"))
    [ -z "$missing" ] || fail "the manual page of $program lacks" $missing
    unknown=$(comm -13 <(long_options <<<"$help") <(long_options <<<"$page"))
    [ -z "$unknown" ] || fail "the manual page of $program names options it does not have:" $unknown
done

step "dependencies"
depends=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/(.*)//; s/ //g')
# The Debian package that holds a file on this machine.
owner() { dpkg -S "$(realpath "$1")" 2>/dev/null | head -n 1 | cut -d: -f1; }
require() { # package, why
    [ -n "$1" ] || fail "no Debian package holds $2"
    grep -qx "$1" <<<"$depends" || fail "the package does not depend on $1, which holds $2"
}
for program in bin/tamo bin/tamo-calibrate lib/tamo/tamo-calibrate-plots.so; do
    binary=$root/usr/$program
    for soname in $(readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(libQt6.*\)\]/\1/p'); do
        lib=$(ldd "$binary" | awk -v soname="$soname" '$1 == soname { print $3 }')
        require "$(owner "$lib")" "$soname that $program links"
    done
done
# What Qt loads at run time: the X11 platform, the SVG icon engine, the logbook's
# SQLite driver, Arial's stand-in.
for plugin in platforms/libqxcb.so iconengines/libqsvgicon.so sqldrivers/libqsqlite.so; do
    require "$(dpkg -S "*/qt6/plugins/$plugin" 2>/dev/null | head -n 1 | cut -d: -f1)" \
        "Qt's plugin $plugin"
done
font=$(fc-match -f '%{file}' Arial)
require "$(owner "$font")" "the font $(basename "$font") that stands in for Arial"

# Runs the programs in folder $1 on a copy of the bundled example, with the
# settings in a fresh configuration folder: both show the version, the
# calibrator gives the results of the build tree and writes a plot, the window
# smoke test passes and its settings file lands in the configuration folder.
check_programs() {
    local bin=$1 examples=$2 where=$3 work=$scratch/$3
    mkdir -p "$work/config" "$work/home" "$work/runtime"
    chmod 700 "$work/runtime"
    cp "$examples/acid-with-alkali.txt" "$work/example.txt"
    local env=(env HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
               QT_QPA_PLATFORM=offscreen)
    [ "$("${env[@]}" "$bin/tamo-calibrate" --version)" = "tamo-calibrate $version" ] ||
        fail "$where tamo-calibrate --version does not print $version"
    [ "$("${env[@]}" "$bin/tamo" --version 2>/dev/null)" = "TAMO $version" ] ||
        fail "$where tamo --version does not print $version"
    "${env[@]}" "$bin/tamo-calibrate" --format json "$work/example.txt" >"$work/results.json" ||
        fail "$where tamo-calibrate cannot calibrate the example"
    build/default/cli/tamo-calibrate --format json "$work/example.txt" |
        cmp -s - "$work/results.json" || fail "$where tamo-calibrate gives other results than the build"
    "${env[@]}" "$bin/tamo-calibrate" --plot-out "$work/gran.png" "$work/example.txt" >/dev/null &&
        [ -s "$work/gran.png" ] || fail "$where tamo-calibrate cannot write a plot"
    local status=0
    "${env[@]}" timeout 120 "$bin/tamo" --smoke-test "$work/example.txt" || status=$?
    [ $status -ne 124 ] || fail "$where tamo did not quit within 120 s"
    [ $status -eq 0 ] || fail "$where tamo fails its smoke test (exit status $status)"
    [ -f "$work/config/TAMO/TAMO.INI" ] || fail "$where tamo keeps no settings in the configuration folder"
    [ ! -e "$bin/TAMO.INI" ] || fail "$where tamo wrote its settings into its program folder"
}

step "programs of the unpacked package"
check_programs "$root/usr/bin" "$root/$doc/examples" unpacked

if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
    echo "check-package: not root: the package is not installed for a check"
elif dpkg-query -W -f='${Status}' tamo 2>/dev/null | grep -q "ok installed" ||
    [ -e /usr/bin/tamo ] || [ -e /usr/bin/tamo-calibrate ]; then
    echo "check-package: TAMO is installed on this machine: the package is not installed for a check"
else
    step "install with apt-get"
    installed_by_us=yes
    chmod 755 "$scratch" # apt's download user reads the package from here
    cp "$deb" "$scratch/"
    # Container images may tell dpkg to leave documentation out; tamo needs its manual.
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=600 \
        -o 'DPkg::Options::=--path-include=/usr/share/doc/tamo/*' \
        -o 'DPkg::Options::=--path-include=/usr/share/man/man1/tamo*' \
        "$scratch/$(basename "$deb")" >/dev/null || fail "apt-get cannot install $(basename "$deb")"
    check_programs /usr/bin "/$doc/examples" installed
    [ "$(man -w tamo-calibrate)" = /usr/share/man/man1/tamo-calibrate.1.gz ] ||
        fail "man does not find the installed manual page of tamo-calibrate"
    step "remove with apt-get"
    apt-get remove -y -qq --purge -o DPkg::Lock::Timeout=600 tamo >/dev/null ||
        fail "apt-get cannot remove tamo"
    installed_by_us=""
    [ ! -e /usr/bin/tamo ] && [ ! -e "/$doc" ] || fail "removing the package leaves its files behind"
fi
echo "check-package: $(basename "$deb") passed"
