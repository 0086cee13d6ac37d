#!/usr/bin/env bash
# Checking a package of 100,000 files natively with velkcheck, against listing the same package
# with `find PACKAGE -type f`:
#   bench/velkcheck/run.sh [FILES] [ROUNDS]
# Environment: BUILD_DIR (default build/release: a native build without sanitizers).
# The package: half of the files directly in Libs, a quarter in each of its two language folders,
# each file a few bytes. Both commands run once before measuring, so that both find the folders
# in the system's cache; then they alternate. Prints one line per round and the medians with
# their ratio (velkcheck / find).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
count=${1:-100000}
rounds=${2:-7}
build=${BUILD_DIR:-$root/build/release}

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DVELK_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target velkcheck -j2 >/dev/null
velkcheck="$build/velkcheck/velkcheck"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
package="$work/pkg"
mkdir -p "$package/Libs/English" "$package/Libs/German"
printf '[About]\nName=Bench\n[Dorvan]\nDorvan5_14=Yes\n[Languages]\nCount=2\nLang0=English\nLang1=German\n' \
    >"$package/Libs/Bench.lin"
python3 - "$package/Libs" "$count" <<'PY'
import os, sys
libs, count = sys.argv[1], int(sys.argv[2])
for i in range(count - 1):
    folder = libs if i % 2 == 0 else os.path.join(libs, "English" if i % 4 == 1 else "German")
    with open(os.path.join(folder, "block%06d.zfb" % i), "wb") as f:
        f.write(b"z" * (1 + i % 64))
PY
echo "package with $(find "$package" -type f | wc -l) files made in $package"

# Microseconds that a command takes, its output thrown away.
measure() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}
"$velkcheck" "$package" >/dev/null
find "$package" -type f >/dev/null
checks=()
finds=()
for round in $(seq "$rounds"); do
    check=$(measure "$velkcheck" "$package")
    listing=$(measure find "$package" -type f)
    checks+=("$check")
    finds+=("$listing")
    printf 'round %d: velkcheck %d.%03d ms, find %d.%03d ms\n' "$round" \
        $((check / 1000)) $((check % 1000)) $((listing / 1000)) $((listing % 1000))
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
check=$(median "${checks[@]}")
listing=$(median "${finds[@]}")
awk -v c="$check" -v f="$listing" 'BEGIN {
    printf "median: velkcheck %.1f ms, find %.1f ms, ratio %.2f (goal: below 2)\n",
        c / 1000, f / 1000, c / f }'
