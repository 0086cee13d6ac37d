#!/usr/bin/env bash
# Opening the file list for a package whose Libs folder holds 100,000 files, against the bare
# enumeration of that folder, side by side in one process under the same Wine:
#   bench/file_list/run.sh [FILES] [ROUNDS]
# Environment: BUILD_DIR (default build/win), WINEPREFIX (default build/wineprefix).
# Prints one line per round and the medians with their ratio (file list / enumeration).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
count=${1:-100000}
rounds=${2:-5}
build=${BUILD_DIR:-$root/build/win}
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
export WINEDEBUG=-all

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELK_WINEPREFIX="$WINEPREFIX" >/dev/null
fi
cmake --build "$build" --target file_list_bench -j2 >/dev/null
bench=$(find "$build" -name file_list_bench.exe -print -quit)
"$root/scripts/wine-prefix" "$WINEPREFIX" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/pkg/Libs"
python3 - "$work/pkg/Libs" "$count" <<'PY'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    with open(os.path.join(folder, "lib%06d.zfb" % i), "wb") as f:
        f.write(b"z" * (1 + i % 4000))
PY
echo "Libs folder with $count files made in $work/pkg"

# Wine shows "/" as drive Z:. (No wine call before the benchmark itself: a Wine server started
# without a display would leave the benchmark's windows without one.)
package="Z:${work//\//\\}\\pkg\\"
run=(wine "$bench" "$package" "$rounds")
if [ -z "${DISPLAY:-}" ]; then
    run=(xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}")
fi
"${run[@]}"
