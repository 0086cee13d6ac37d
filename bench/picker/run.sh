#!/usr/bin/env bash
# Opening the folder picker on a folder nine levels deep against opening it on the desktop's
# folder, side by side under the same Wine:
#   bench/picker/run.sh [ROUNDS] [SIBLINGS]
# Environment: BUILD_DIR (default build/win), WINEPREFIX (default BUILD_DIR/picker-wineprefix,
# a prefix of its own, since the run writes host suite keys and folders into it).
# The deep folder lies in the prefix's drive C:, C:\velk-picker-bench\level2\...\level9 (nine
# levels below the drive), with SIBLINGS (default 25) sibling folders at every level, each
# holding a subfolder, so that each opened level has entries to list.
# Two measurements, each printing one line per round and the medians with their ratio
# (deep / desktop): picker_open from another process, each opening in a freshly started
# installer, from the click on "Browse" until the picker is shown and idle; picker_bench in one
# process, from Browse's handler until the picker is painted and idle, with the time at which
# the tree had been positioned.
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
root=$(cd "$(dirname "$0")/../.." && pwd)
rounds=${1:-9}
siblings=${2:-25}
build=${BUILD_DIR:-$root/build/win}
export WINEPREFIX=${WINEPREFIX:-$build/picker-wineprefix}
export WINEDEBUG=-all

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target picker_bench picker_open -j2 >/dev/null
bench=$(find "$build" -name picker_bench.exe -print -quit)
open=$(find "$build" -name picker_open.exe -print -quit)
"$root/scripts/wine-prefix" "$WINEPREFIX" >/dev/null

base="$WINEPREFIX/drive_c/velk-picker-bench"
trap 'rm -rf "$base"' EXIT
rm -rf "$base"
folder="$base"
winfolder='C:\velk-picker-bench'
for level in 2 3 4 5 6 7 8 9; do
    for ((i = 0; i < siblings; i++)); do
        mkdir -p "$folder/sibling$i/inner"
    done
    folder="$folder/level$level"
    winfolder="$winfolder\\level$level"
done
mkdir -p "$folder"
echo "deep folder: $winfolder"

work=$(mktemp -d)
trap 'rm -rf "$base" "$work"' EXIT
winwork=$(wine winepath -w "$work" 2>/dev/null | tr -d '\r')

echo "== from another process: click on Browse until the picker is shown and idle"
wine "$open" "$winfolder" "$winwork" "$rounds"
echo "== in the installer's process: Browse's handler until the picker is painted and idle"
wine "$bench" "$winfolder" "$rounds"
