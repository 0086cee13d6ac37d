#!/usr/bin/env bash
# Start-up time of VelkInstall.exe on a small package against its floor (floor_window.cpp: the
# same main window with nothing behind it) and beside a minimal Win32 program that opens one
# window, measured side by side under the same Wine (wineserver kept alive), in turn:
#   bench/startup/run.sh [ROUNDS]
# Environment: BUILD_DIR (default build/win), STARTUP_WINEPREFIX (default
# BUILD_DIR/startup-wineprefix). The run writes and deletes host suite keys and ends its
# wineserver, so it always works in a prefix of its own and ignores WINEPREFIX.
#   BREAKDOWN=1       also runs the floor with one piece of the installer's start-up added back
#                     each (floor_window.cpp): the static imports of the shell's and COM's DLLs,
#                     the hidden dialogs, the description, then the registry, then the logo, and
#                     then a second paint of the whole window (what the first paint takes)
#   COMPARE=PROGRAM   also runs another build of VelkInstall.exe on the same package (an older
#                     one, say), as "compare"
# Each time runs from the process's start to its main window shown and answering messages.
# Prints one line per round, the medians, and each program's median ratio to the floor (the
# installer's target is at most 1.05).
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
cmake --build "$build" --target VelkInstall startup_launcher minimal_window floor_window \
    floor_imports -j2 >/dev/null
launcher=$(find "$build" -name startup_launcher.exe -print -quit)
minimal=$(find "$build" -name minimal_window.exe -print -quit)
floor=$(find "$build" -name floor_window.exe -print -quit)
floor_imports=$(find "$build" -name floor_imports.exe -print -quit)
"$root/scripts/wine-prefix" "$WINEPREFIX" >/dev/null

# A small package: the program, a description accepting an installed host suite version, a
# readme, two language folders and a logo. The floor lies beside the program, so that the pieces
# it adds back read the same package.
work=$(mktemp -d)
mkdir -p "$work/pkg/Libs/English" "$work/pkg/Libs/German" "$work/target"
cp "$build/VelkInstall.exe" "$floor" "$floor_imports" "$work/pkg/"
if [ -n "${COMPARE:-}" ]; then
    cp "$COMPARE" "$work/pkg/VelkInstall_compare.exe"
fi
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

windows_path() { wine winepath -w "$1" 2>/dev/null | tr -d '\r'; }
installer=$(windows_path "$work/pkg/VelkInstall.exe")
floor_path=$(windows_path "$work/pkg/floor_window.exe")
# NAME CLASS PROGRAM ARGUMENTS, the floor first: the ratios are to it.
programs=(floor TFormInstall "$floor_path" ""
          installer TFormInstall "$installer" ""
          bare MinimalWindow "$(windows_path "$work/minimal_window.exe")" "")
if [ -n "${COMPARE:-}" ]; then
    programs+=(compare TFormInstall "$(windows_path "$work/pkg/VelkInstall_compare.exe")" "")
fi
if [ -n "${BREAKDOWN:-}" ]; then
    programs+=(+imports TFormInstall "$(windows_path "$work/pkg/floor_imports.exe")" ""
               +dialogs TFormInstall "$floor_path" --dialogs
               +description TFormInstall "$floor_path" --description
               +desc+registry TFormInstall "$floor_path" "--description --registry"
               +desc+reg+logo TFormInstall "$floor_path" "--description --registry --logo"
               +desc+reg+logo+repaint TFormInstall "$floor_path"
               "--description --registry --logo --repaint")
fi
wineserver -p >/dev/null 2>&1 || true # keep the server alive between the runs
echo "floor = the main window alone, installer = VelkInstall.exe on a package, bare = minimal"
echo "one-window program; $rounds rounds"
wine "$launcher" "$rounds" "${programs[@]}"
