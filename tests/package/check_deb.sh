#!/usr/bin/env bash
# Builds the Debian package of a build folder and checks it as a user would meet it: its
# fields and Depends, every file it holds, then the package unpacked into a temporary root
# (dpkg -x), far from the build tree, with the installed dedevev started there on the
# simulated card.
#
#   check_deb.sh <cpack> <build folder> <source folder>
set -euo pipefail

cpack=$1
build=$2
source=$3

work=$(mktemp -d "${TMPDIR:-/tmp}/dedevev-deb-XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# --- The package --------------------------------------------------------------------------
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack could not make the package" >&2
    exit 1
fi
debs=("$work"/out/dedevev_*.deb)
if [[ ${#debs[@]} -ne 1 || ! -f ${debs[0]} ]]; then
    echo "FAIL: expected one dedevev_*.deb, found: ${debs[*]}" >&2
    exit 1
fi
deb=${debs[0]}
echo "package: $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == dedevev ]] || fail "Package is '$(field Package)'"
[[ $(field Architecture) == "$(dpkg --print-architecture)" ]] || fail "Architecture is '$(field Architecture)'"
depends=$(field Depends)
echo "Depends: $depends"
depends_on() { [[ ", $depends," == *", $1"[\ ,]* ]]; }
# Without the platform plugins Qt opens no window; no library of ours pulls them in.
depends_on qt6-qpa-plugins || fail "Depends lacks qt6-qpa-plugins"

# --- Its files: exactly the programs, the resource folder, the menu entry and the icon -----
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./||; s|/$||' | grep -v '^$' | sort >"$work/files"
has() { grep -qxF "$1" "$work/files" || fail "the package lacks $1"; }
for program in dedevev dedevev-at dedevev-cardsim; do
    has "usr/bin/$program"
done
while read -r path; do
    case $path in
    usr | usr/bin | usr/share | usr/bin/dedevev | usr/bin/dedevev-at | usr/bin/dedevev-cardsim) ;;
    usr/share/dedevev | usr/share/dedevev/*) ;;
    usr/share/applications | usr/share/applications/dedevev.desktop) ;;
    usr/share/icons | usr/share/icons/hicolor | usr/share/icons/hicolor/[0-9]*x[0-9]*) ;;
    usr/share/icons/hicolor/[0-9]*x[0-9]*/apps | usr/share/icons/hicolor/[0-9]*x[0-9]*/apps/dedevev.png) ;;
    *) fail "the package holds $path, which is no part of an installation" ;;
    esac
done <"$work/files"
# The shipped data files, the generated bitmaps and sounds of the build, and every bitmap a
# skin file names.
while read -r rel; do
    has "usr/share/dedevev/$rel"
done < <(cd "$source/resources/data" && find . -type f | sed 's|^\./||')
for generated in Skin/bitmaps Music; do
    [[ -n $(ls -A "$build/bin/$generated") ]] || fail "the build has no $generated"
    for file in "$build/bin/$generated"/*; do
        has "usr/share/dedevev/$generated/$(basename "$file")"
    done
done
for skin in Skin.txt SkinIndonesian.txt; do
    while read -r bitmap; do
        has "usr/share/dedevev/Skin/bitmaps/$bitmap"
    done < <(sed -n 's/^[^=;#]*=[[:space:]]*bitmaps\\\([^[:space:]]*\).*/\1/p' "$source/resources/data/Skin/$skin" | tr -d '\r')
done
for size in 16 32 48 256; do
    has "usr/share/icons/hicolor/${size}x${size}/apps/dedevev.png"
done

# --- Unpacked into a root of its own ---------------------------------------------------------
root=$work/root
dpkg -x "$deb" "$root"
bin=$root/usr/bin

# Every shared library a program loads directly belongs to a package named in Depends.
for program in dedevev dedevev-at dedevev-cardsim; do
    [[ -x $bin/$program ]] || fail "$program is not executable"
    while read -r soname; do
        path=$(ldd "$bin/$program" | awk -v lib="$soname" '$1 == lib { print $3 }')
        owner=""
        for candidate in "$path" "${path#/usr}" "/usr$path"; do
            owner=$(dpkg -S "$candidate" 2>/dev/null | head -n1 | cut -d: -f1) && break
        done
        if [[ -z $owner ]]; then
            fail "$program needs $soname, which no installed package provides"
        elif ! depends_on "$owner"; then
            fail "$program needs $soname from $owner, which Depends does not name"
        fi
    done < <(readelf -d "$bin/$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
done

# The menu entry starts an installed program and shows an installed icon.
desktop=$root/usr/share/applications/dedevev.desktop
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects dedevev.desktop"
else
    echo "note: desktop-file-validate is not installed (desktop-file-utils); only Exec and Icon are checked"
fi
while read -r exec_line; do
    program=${exec_line#Exec=}
    program=${program%% *}
    [[ -x $bin/$program ]] || fail "dedevev.desktop starts $program, which is not installed"
done < <(grep '^Exec=' "$desktop")
icon=$(sed -n 's/^Icon=//p' "$desktop")
[[ -f $root/usr/share/icons/hicolor/48x48/apps/$icon.png ]] || fail "dedevev.desktop shows icon '$icon', which is not installed"

# --- The installed programs run ------------------------------------------------------------
for program in dedevev-at dedevev-cardsim; do
    "$bin/$program" --help >/dev/null 2>&1 || fail "$program --help failed"
done

# dedevev on its simulated card, with folders of its own and nothing of the build's: it must
# find its files in ../share/dedevev/, show its window and end the way Exit ends it.
home=$work/home
mkdir -p "$home"/{data,config,cache,sys,dev} "$home/runtime"
chmod 700 "$home/runtime"
log=$work/messages.log
status=0
env -i PATH=/usr/bin:/bin \
    HOME="$home" \
    XDG_RUNTIME_DIR="$home/runtime" \
    XDG_DATA_HOME="$home/data" \
    XDG_CONFIG_HOME="$home/config" \
    XDG_CACHE_HOME="$home/cache" \
    QT_QPA_PLATFORM=offscreen \
    DEDEVEV_MESSAGE_LOG="$log" \
    DEDEVEV_EXIT_AFTER_MS=2000 \
    DEDEVEV_SYSFS_ROOT="$home/sys" \
    DEDEVEV_DEV_ROOT="$home/dev" \
    timeout 60 "$bin/dedevev" --simulate >"$work/stdout" 2>"$work/stderr" || status=$?
[[ $status -eq 0 ]] || fail "the installed dedevev --simulate ended with status $status"
[[ -f $log ]] || touch "$log"
grep -qxP 'window\tshown' "$log" || fail "the installed dedevev showed no window"
grep -qxP 'window\tclosed' "$log" || fail "the installed dedevev did not close its window"
if grep -qP '^message\t' "$log"; then
    fail "the installed dedevev showed a message: $(grep -P '^message\t' "$log" | head -n3)"
fi
grep -q 'simulated card, control socket' "$work/stderr" || fail "the simulated card did not start"
if ((failures > 0)); then
    echo "--- message log" >&2
    cat "$log" >&2
    echo "--- stderr" >&2
    cat "$work/stderr" >&2
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "the package holds $(wc -l <"$work/files") entries; the installed program started and ended cleanly"
