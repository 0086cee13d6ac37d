#!/usr/bin/env bash
# Runs the Win32 test that needs a folder without read permission and a process that root's
# power to read every file does not help, which the test then cannot list:
#   without_root_override.sh WIN32_TESTS_EXE PREFIX
# The whole Wine session, its wineserver included, runs without the capabilities DAC_OVERRIDE
# and DAC_READ_SEARCH, in a Wine prefix of its own (made once), so that no server started with
# them serves it. Exits with 77 (reported as skipped) where setpriv cannot drop them.
set -u
exe=${1:?usage: without_root_override.sh WIN32_TESTS_EXE PREFIX}
prefix=${2:?usage: without_root_override.sh WIN32_TESTS_EXE PREFIX}
root=$(cd "$(dirname "$0")/../.." && pwd)
drop=(setpriv --inh-caps=-dac_override,-dac_read_search --bounding-set=-dac_override,-dac_read_search)
if ! "${drop[@]}" true 2>/dev/null; then
    echo "without_root_override: setpriv cannot drop the capabilities here; skipped"
    exit 77
fi
export WINEPREFIX=$prefix WINEDEBUG=-all
"${drop[@]}" "$root/scripts/wine-prefix" "$prefix" >/dev/null || exit 1
closed=$(mktemp -d "${TMPDIR:-/tmp}/velk-closed.XXXXXX")
echo "inside" >"$closed/inside.lin"
chmod 000 "$closed"
VELK_CLOSED_FOLDER="Z:$(tr / '\\' <<<"$closed")" "${drop[@]}" wine "$exe" \
    --gtest_filter='FileSystemTest.AFolderThatCannotBeRead*' "${@:3}"
status=$?
"${drop[@]}" wineserver -k 2>/dev/null
chmod 755 "$closed"
rm -rf "$closed"
exit $status
