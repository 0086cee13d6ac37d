#!/usr/bin/env bash
# Start-up time of VelkInstall.exe on a small package against a minimal Win32 program that opens
# one window, measured side by side under the same Wine (wineserver kept alive), alternating:
#   bench/startup/run.sh [ROUNDS]
# Environment: BUILD_DIR (default build/win), STARTUP_WINEPREFIX (default
# BUILD_DIR/startup-wineprefix). The run writes and deletes host suite keys and ends its
# wineserver, so it always works in a prefix of its own and ignores WINEPREFIX.
# Each time runs from the process's start to its main window shown and answering messages.
# Prints one line per round, the medians, and the median of the rounds' ratios (installer /
# minimal window; the target is at most 1.2).
set -euo pipefail
# Every Wine command of the run, the registry writes included, must see the same display: a
# wineserver started without one keeps a desktop without one, and windows then fail to open.
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
root=$(cd "$(dirname "$0")/../.." && pwd)
rounds=${1:-15}
build=${BUILD_DIR:-$root/build/win}
export WINEPREFIX=${STARTUP_WINEPREFIX:-$build/startup-wineprefix}
export WINEDEBUG=-all

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
else
    cmake "$build" >/dev/null
fi
cmake --build "$build" --target VelkInstall startup_launcher minimal_window -j2 >/dev/null
launcher=$(find "$build" -name startup_launcher.exe -print -quit)
minimal=$(find "$build" -name minimal_window.exe -print -quit)
"$root/scripts/wine-prefix" "$WINEPREFIX" >/dev/null

# A small package: the program, a description accepting an installed host suite version, a
# readme, two language folders and a logo.
work=$(mktemp -d)
mkdir -p "$work/pkg/Libs/English" "$work/pkg/Libs/German" "$work/target"
cp "$build/VelkInstall.exe" "$work/pkg/"
cp "$minimal" "$work/minimal_window.exe"
printf '%s\r\n' '[About]' 'Name=Startup Bench' 'Version=1.0.0' 'Distributed=Bench' \
    'Author=Bench' 'Picture=logo.bmp' '[Licence]' 'Text=First line\nSecond line' '[Dorvan]' \
    'Dorvan5_14=Yes' '[Languages]' 'Count=2' 'Lang0=English' 'Lang1=German' \
    >"$work/pkg/Libs/bench.lin"
echo "readme" >"$work/pkg/Libs/readme.txt"
echo "block" >"$work/pkg/Libs/bench.zfb"
echo "english" >"$work/pkg/Libs/English/bench.txt"
convert -size 120x48 xc:navy "BMP3:$work/pkg/logo.bmp"

target=$(wine winepath -w "$work/target" 2>/dev/null | tr -d '\r')
key='HKLM\Software\Velk-Marden\dorvan5\1.4\global'
wine reg add "$key" /v UsrLibDir /t REG_SZ /d "$target" /f /reg:32 >/dev/null
wine reg add "$key" /v AppsDir /t REG_SZ /d 'C:\windows' /f /reg:32 >/dev/null
cleanup() {
    wine reg delete "$key" /f /reg:32 >/dev/null 2>&1 || true
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

installer=$(wine winepath -w "$work/pkg/VelkInstall.exe" 2>/dev/null | tr -d '\r')
baseline=$(wine winepath -w "$work/minimal_window.exe" 2>/dev/null | tr -d '\r')
wineserver -p >/dev/null 2>&1 || true # keep the server alive between the runs
echo "A = VelkInstall.exe on a package, B = minimal one-window program, $rounds rounds"
wine "$launcher" "$rounds" "$installer" "$baseline" TFormInstall MinimalWindow
