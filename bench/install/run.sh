#!/usr/bin/env bash
# An unattended installation against `xcopy` of the same package files, under the same Wine with
# the server kept alive, for two package sizes to show that the time grows linearly:
#   bench/install/run.sh [ROUNDS] [SIZES]
# SIZES is a list of BASE:LANG pairs (default "10000:1000 1000:100 0:0"): BASE files of 4 KB in
# Libs and LANG files in each of the two languages English and German (English is the default
# language); "0:0", a package of nothing but its description, gives the fixed cost of starting
# the program under Wine (time and memory) that the larger sizes include. The installer copies BASE + 1 + 3 x LANG files (the default language twice), xcopy
# copies the Libs tree, BASE + 1 + 2 x LANG files.
# Environment: LANGUAGE_COUNT (default 2), the description's [Languages] Count: above 2 every
# further language reads as "" and copies the base files into the target once more, however large
# the count; BUILD_DIR (default build/win), WINEPREFIX (default build/wineprefix-bench, a
# prefix of its own: the run writes the host suite and unattended-install keys there, and the
# end-to-end tests clear them), WORK_DIR (default a fresh temporary folder, removed at the end).
# Prints, per size, every round and the medians: wall time of each and their ratio (installer /
# xcopy; the goal is 0.8 or less), the processor time of each (the program's own plus what the
# wineserver spent for it, which varies less than wall time on a busy machine) and its ratio, and
# the installer's peak working set and peak private memory. Each round then changes 1 % of the
# package's files and installs it over its own installation (an update that leaves the other
# files in place), then changes every file and installs it again (every file replaced) against
# `xcopy /Y` over its own copy, and prints the wall times and their ratios, with their medians:
# each update to the fresh installation of the same round (goals: 0.15 or less for 1 %, 1.0 or
# less for every file), the update of every file to xcopy /Y, and its peak working set. SIZES
# "0:0 10000:0 100000:0" gives the peak memory at 0, 10,000 and 100,000 files.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
rounds=${1:-3}
sizes=${2:-"10000:1000 1000:100 0:0"}
build=${BUILD_DIR:-$root/build/win}
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix-bench}
export WINEDEBUG=-all

# The installer opens its window: without a display, run under a virtual one.
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELK_WINEPREFIX="$WINEPREFIX" >/dev/null
fi
cmake --build "$build" --target VelkInstall install_launcher -j2 >/dev/null
launcher=$(find "$build" -name install_launcher.exe -print -quit)
"$root/scripts/wine-prefix" "$WINEPREFIX" >/dev/null
wineserver -p 2>/dev/null || true # fails when the server already runs
# The wineserver of this prefix, for the processor time it spends on each run.
server_dir=$(printf "server-%x-%x" "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
server_pid=""
for _ in $(seq 50); do
    for pid in $(pgrep -x wineserver64 || true) $(pgrep -x wineserver || true); do
        case "$(readlink "/proc/$pid/cwd" 2>/dev/null)" in */"$server_dir") server_pid=$pid ;; esac
    done
    [ -n "$server_pid" ] && break
    sleep 0.1
done
[ -n "$server_pid" ] || { echo "no wineserver found for $WINEPREFIX" >&2; exit 1; }
ticks_per_second=$(getconf CLK_TCK)
server_cpu_ms() { awk -v hz="$ticks_per_second" '{ printf "%d", ($14 + $15) * 1000 / hz }' "/proc/$server_pid/stat"; }
# At the end: no unattended run left behind for the next start of the program in this prefix.
cleanup() {
    wine reg delete 'HKLM\Software\Velk-Marden\dorvan5\1.4\Installer' /f /reg:32 >/dev/null 2>&1 || true
    wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

# Wine reports no processor time for another process, so it is read from Linux: the processor
# time (user + system) of the Unix process whose command line matches $1, sampled every 20 ms
# until it ends; prints the last sample in milliseconds.
watch_cpu_ms() {
    local pid="" last=0 sample
    for _ in $(seq 1000); do
        pid=$(pgrep -f -- "$1" | head -n1 || true)
        [ -n "$pid" ] && break
        sleep 0.01
    done
    [ -n "$pid" ] || { echo 0; return; }
    while sample=$(awk -v hz="$ticks_per_second" '{ printf "%d", ($14 + $15) * 1000 / hz }' "/proc/$pid/stat" 2>/dev/null); do
        last=$sample
        sleep 0.02
    done
    echo "$last"
}

if [ -n "${WORK_DIR:-}" ]; then
    work=$WORK_DIR
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'cleanup; rm -rf "$work"' EXIT
fi
winpath() { wine winepath -w "$1" 2>/dev/null | tr -d '\r'; }
reg() { wine reg add "HKLM\\Software\\Velk-Marden\\dorvan5\\1.4\\$1" /v "$2" /d "$3" /f /reg:32 >/dev/null; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
field() { sed -E "s/(^|.* )$1=([0-9]+).*/\\2/"; }

# Gives PERCENT % of the package's files (every 100 / PERCENT-th, the description aside) new
# bytes of the same size, marked with TAG, as a new version of a library changes some files.
change_files() {
    python3 - "$1" "$2" "$3" <<'PY'
import os, sys
libs, percent, tag = sys.argv[1], int(sys.argv[2]), sys.argv[3].encode()
files = sorted(os.path.join(folder, name) for folder, _, names in os.walk(libs)
               for name in names if not name.endswith(".lin"))
for path in files[::max(1, 100 // percent)]:
    with open(path, "wb") as f:
        f.write((tag * 4096)[:4096])
PY
}
# Runs the installer over its own installation; prints its launcher line, or stops the bench.
update_or_fail() {
    local line got
    line=$(wine "$launcher" "$(winpath "$pkg/VelkInstall.exe")" | tr -d '\r' | tail -n1)
    got=$(find "$target" -maxdepth 1 -type f | wc -l)
    if [ "$(field exit <<<"$line")" != 0 ] || [ "$got" -ne "$expected" ]; then
        echo "update failed or left $got files in the target, expected $expected: $line" >&2
        exit 1
    fi
    echo "$line"
}

mkdir -p "$work/apps"
reg global AppsDir "$(winpath "$work/apps")"
reg Installer Language English
reg Installer Silent activated

for size in $sizes; do
    base=${size%%:*}
    lang=${size##*:}
    pkg="$work/pkg-$base"
    rm -rf "$pkg"
    mkdir -p "$pkg/Libs/English" "$pkg/Libs/German"
    cp "$build/VelkInstall.exe" "$pkg/"
    printf '[About]\r\nName=Bench\r\nVersion=1.0\r\n[Dorvan]\r\nDorvan5_14=Yes\r\n[Languages]\r\nCount=%s\r\nLang0=English\r\nLang1=German\r\nSelected=0\r\n' \
        "${LANGUAGE_COUNT:-2}" >"$pkg/Libs/bench.lin"
    python3 - "$pkg/Libs" "$base" "$lang" <<'PY'
import os, sys
libs, base, lang = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
block = b"z" * 4096
for i in range(base):
    with open(os.path.join(libs, "lib%05d.zfb" % i), "wb") as f:
        f.write(block)
for language in ("English", "German"):
    for i in range(lang):
        with open(os.path.join(libs, language, "text%05d.txt" % i), "wb") as f:
            f.write(block)
PY
    expected=$((base + 1 + lang))
    copies=$((base + 1 + 3 * lang))
    [ "${LANGUAGE_COUNT:-2}" -le 2 ] || copies=$((copies + base + 1))
    echo "== $base base files, 2 languages x $lang files, Count=${LANGUAGE_COUNT:-2} (installer copies $copies, xcopy $((base + 1 + 2 * lang)))"
    results="$work/results-$base"
    : >"$results"
    for round in $(seq "$rounds"); do
        target="$work/target-$base"
        copy="$work/xcopy-$base"
        rm -rf "$target" "$copy"
        mkdir -p "$target"
        reg global UsrLibDir "$(winpath "$target")"
        reg Installer Path "$(winpath "$target")"
        sync
        before=$(server_cpu_ms)
        watch_cpu_ms "^[^ ]*$(basename "$pkg").VelkInstall\.exe" >"$work/cpu" &
        installer=$(wine "$launcher" "$(winpath "$pkg/VelkInstall.exe")" | tr -d '\r' | tail -n1)
        iserver=$(($(server_cpu_ms) - before))
        wait
        iown=$(cat "$work/cpu")
        got=$(find "$target" -maxdepth 1 -type f | wc -l)
        if [ "$(field exit <<<"$installer")" != 0 ] || [ "$got" -ne "$expected" ] || [ "$(find "$target/German" -type f | wc -l)" -ne "$lang" ]; then
            echo "installer failed or left $got files in the target, expected $expected: $installer" >&2
            exit 1
        fi
        sync
        before=$(server_cpu_ms)
        watch_cpu_ms "^[^ ]*xcopy\.exe .*$(basename "$copy")" >"$work/cpu" &
        xcopy=$(wine "$launcher" xcopy.exe /E /I /Q /Y "$(winpath "$pkg/Libs")" "$(winpath "$copy")" | tr -d '\r' | tail -n1)
        xserver=$(($(server_cpu_ms) - before))
        wait
        xown=$(cat "$work/cpu")
        ims=$(field ms <<<"$installer")
        xms=$(field ms <<<"$xcopy")
        icpu=$((iown + iserver))
        xcpu=$((xown + xserver))
        ratio=$(awk -v a="$ims" -v b="$xms" 'BEGIN { printf "%.2f", a / b }')
        cpu_ratio=$(awk -v a="$icpu" -v b="$xcpu" 'BEGIN { printf "%.2f", a / b }')
        echo "round $round: installer $installer own_cpu_ms=$iown server_cpu_ms=$iserver | xcopy $xcopy own_cpu_ms=$xown server_cpu_ms=$xserver | ratio $ratio, processor time ratio $cpu_ratio"
        # Updates: first one whose package changed 1 % of its files (the rest stay in place),
        # then one that changed every file (every file replaced), against xcopy /Y over its own
        # copy of the same files.
        change_files "$pkg/Libs" 1 "p$round"
        sync
        pinstaller=$(update_or_fail)
        change_files "$pkg/Libs" 100 "a$round"
        sync
        uinstaller=$(update_or_fail)
        sync
        uxcopy=$(wine "$launcher" xcopy.exe /E /I /Q /Y "$(winpath "$pkg/Libs")" "$(winpath "$copy")" | tr -d '\r' | tail -n1)
        pms=$(field ms <<<"$pinstaller")
        ums=$(field ms <<<"$uinstaller")
        uxms=$(field ms <<<"$uxcopy")
        echo "round $round update of 1 %: installer $pinstaller | to the fresh installation $(awk -v a="$pms" -v b="$ims" 'BEGIN { printf "%.2f", a / b }')"
        echo "round $round update of every file: installer $uinstaller | xcopy /Y $uxcopy | ratio $(awk -v a="$ums" -v b="$uxms" 'BEGIN { printf "%.2f", a / b }'), to the fresh installation $(awk -v a="$ums" -v b="$ims" 'BEGIN { printf "%.2f", a / b }')"
        echo "$ims $xms $(field peak_ws_kib <<<"$installer") $(field peak_private_kib <<<"$installer") $icpu $xcpu $ums $uxms $pms $(field peak_ws_kib <<<"$uinstaller")" >>"$results"
    done
    ims=$(cut -d' ' -f1 "$results" | median)
    xms=$(cut -d' ' -f2 "$results" | median)
    ws=$(cut -d' ' -f3 "$results" | median)
    private=$(cut -d' ' -f4 "$results" | median)
    icpu=$(cut -d' ' -f5 "$results" | median)
    xcpu=$(cut -d' ' -f6 "$results" | median)
    awk -v a="$ims" -v b="$xms" -v ca="$icpu" -v cb="$xcpu" -v ws="$ws" -v private="$private" 'BEGIN {
        printf "median: wall installer %d ms, xcopy %d ms, ratio %.2f; processor installer %d ms, xcopy %d ms, ratio %.2f; installer peak working set %.1f MiB, peak private %.1f MiB\n",
            a, b, a / b, ca, cb, ca / cb, ws / 1024, private / 1024 }'
    ums=$(cut -d' ' -f7 "$results" | median)
    uxms=$(cut -d' ' -f8 "$results" | median)
    pms=$(cut -d' ' -f9 "$results" | median)
    uws=$(cut -d' ' -f10 "$results" | median)
    awk -v a="$ums" -v b="$uxms" -v f="$ims" -v p="$pms" -v ws="$uws" 'BEGIN {
        printf "median update of every file: wall installer %d ms, xcopy /Y %d ms, ratio %.2f; to the fresh installation %.2f; peak working set %.1f MiB\n", a, b, a / b, a / f, ws / 1024
        printf "median update of 1 %% of the files: wall installer %d ms, to the fresh installation %.2f\n", p, p / f }'
done
