#!/usr/bin/env bash
# Sets up a Debian 12 machine and builds DEDEVev.
#   tools/bootstrap.sh run   - install what is missing, build, start the program on the
#                              simulated card (dedevev --simulate)
#   tools/bootstrap.sh test  - install what is missing, build and run every test
#                              (default and asan presets, plus a short fuzzing pass)
set -euo pipefail

cd "$(dirname "$0")/.."
MODE="${1:-}"
if [[ "$MODE" != "run" && "$MODE" != "test" ]]; then
    echo "usage: $0 run|test" >&2
    exit 2
fi

PACKAGES=(
    build-essential cmake ninja-build pkg-config git python3
    qt6-base-dev qt6-serialport-dev qt6-multimedia-dev qt6-svg-dev qt6-qpa-plugins
    libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good fonts-dejavu-core
    xvfb xauth x11-apps imagemagick trayer gammu socat ppp dbus
    dpkg-dev desktop-file-utils
)

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    if ((${#missing[@]} == 0)); then
        return
    fi
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [[ "$(id -u)" != 0 ]]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {
    local preset="$1"
    cmake --preset "$preset" -DDEDEVEV_WERROR=ON >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)"
}

install_missing

if [[ "$MODE" == "run" ]]; then
    build default
    if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
        echo "No display: starting DEDEVev under Xvfb (virtual screen)."
        exec xvfb-run -a -s "-screen 0 1280x800x24" build/default/bin/dedevev --simulate
    fi
    exec build/default/bin/dedevev --simulate
fi

# Names and last output lines of the tests of one preset's last run that failed, so that the
# end of a long log says what went wrong.
failed_report=""
note_failures() {
    local preset="$1" dir="build/$1/Testing/Temporary"
    [[ -s "$dir/LastTestsFailed.log" ]] || return 0
    local name
    while IFS= read -r line; do
        name="${line#*:}"
        failed_report+="== $preset: $name"$'\n'
        failed_report+="$(awk -v n="$name" '
            !on && index($0, "Testing: " n) && substr($0, length($0) - length(n) + 1) == n { on = 1; next }
            on && index($0, "\"" n "\" end time") { exit }
            on { print }' "$dir/LastTest.log" | tail -n 40)"$'\n'
    done <"$dir/LastTestsFailed.log"
}

# Tests: the default build, the sanitizer build, then a short fuzzing pass.
status=0
build default
ctest --preset default || { status=1; note_failures default; }

build asan
ASAN_OPTIONS="detect_leaks=1:abort_on_error=0" \
LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
    ctest --preset asan || { status=1; note_failures asan; }

build fuzz
mkdir -p build/fuzz/corpus
for target in build/fuzz/bin/fuzz_*; do
    name=$(basename "$target")
    mkdir -p "build/fuzz/corpus/$name"
    cp -n fuzz/seeds/* "build/fuzz/corpus/$name/" 2>/dev/null || true
    # Seeds of one target live in a folder named after it (fuzz/seeds/gsm_pdu/ ...).
    if [[ -d "fuzz/seeds/${name#fuzz_}" ]]; then
        cp -n "fuzz/seeds/${name#fuzz_}"/* "build/fuzz/corpus/$name/" 2>/dev/null || true
    fi
    echo "== $name (30 s)"
    log="build/fuzz/$name.log"
    if ! "$target" -max_total_time=30 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        "build/fuzz/corpus/$name" >"$log" 2>&1; then
        status=1
        echo "$name FAILED; its output follows" >&2
        tail -n 40 "$log" >&2
    else
        tail -n 3 "$log"
    fi
done

if ((status == 0)); then
    echo "All tests passed."
else
    if [[ -n "$failed_report" ]]; then
        echo "Tests that failed, with the end of their output:" >&2
        printf '%s' "$failed_report" >&2
    fi
    echo "Some tests FAILED." >&2
fi
exit $status
