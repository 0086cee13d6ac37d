#!/usr/bin/env bash
# velkcheck.exe under Wine: the example package is clean; a package folder named in another
# script reaches the checker intact through the command line, and its findings name paths with
# the Windows separator; a package deeper than the plain form of a path reaches (260 characters)
# is read whole; a folder that is not there exits with 2.
#   windows_test.sh VELKCHECK_EXE EXAMPLE_PACKAGE
set -euo pipefail
exe=$1 example=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Arguments cross to Wine in the locale's encoding.
export LC_ALL=C.UTF-8

status=0
out=$(wine "$exe" "Z:$example" 2>"$work/err" | tr -d '\r') || status=$?
[ "$status" -eq 0 ] && [ -z "$out" ] && [ ! -s "$work/err" ] ||
    fail "example package: exit $status, output: $out $(cat "$work/err")"

package="$work/пакет"
mkdir -p "$package/Libs"
printf '[About]\nName=Lib\n' >"$package/Libs/Lib.lin"
status=0
out=$(wine "$exe" "Z:$package" | tr -d '\r') || status=$?
expected="Z:$package\\Libs\\Lib.lin: error: no accepted Dorvan5 version: no key \"Dorvan5_11\" to \"Dorvan5_14\" in [Dorvan] holds \"Yes\", so Install and Remove stay disabled everywhere"
[ "$status" -eq 1 ] && [ "$out" = "$expected" ] ||
    fail "package with an error: exit $status, output: $out"

level=$(printf 'd%.0s' {1..100})
deep="$work/$level/$level/$level/package"
mkdir -p "$deep/Libs/English"
printf '[Dorvan]\nDorvan5_14=Yes\n[Languages]\nCount=1\nLang0=English\n' >"$deep/Libs/Lib.lin"
printf 'help' >"$deep/Libs/English/Help.txt"
: >"$deep/Libs/English/empty.txt"
status=0
out=$(wine "$exe" "Z:$deep" | tr -d '\r') || status=$?
expected="Z:$deep\\Libs\\English\\empty.txt: warning: empty file: it is never installed or listed"
[ "$status" -eq 0 ] && [ "$out" = "$expected" ] ||
    fail "deep package: exit $status, output: $out"

status=0
err=$(wine "$exe" "Z:$work/nothing" 2>&1 >/dev/null | tr -d '\r') || status=$?
[ "$status" -eq 2 ] && [ "$err" = "velkcheck: Z:$work/nothing: no such folder" ] ||
    fail "missing folder: exit $status, error: $err"
echo "velkcheck.exe: clean example, findings with Windows paths, a deep package, exit codes 0, 1 and 2"
