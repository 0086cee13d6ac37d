#!/usr/bin/env bash
# The packing step of scripts/release on the programs already built: the archive holds exactly
# the expected files, its checksums hold, its programs and debugging information are the build's,
# the Linux package checker runs from it and finds its example package clean, BUILDINFO names the
# compilers, and packing again gives the same bytes.
#   archive_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1 build=$2
version=$(cat "$build/version.txt")
top="VelkInstall-$version"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$source_dir/scripts/release" --pack "$build" "$work/one" >/dev/null
# Zip keeps times to two seconds: the second packing sees files of another time.
sleep 2
"$source_dir/scripts/release" --pack "$build" "$work/two" >/dev/null

{
    printf '%s\n' BUILDINFO README.txt SHA256SUMS VelkInstall.exe velkcheck velkcheck.exe \
        example-package/VelkInstall.exe
    (cd "$source_dir/examples/package" && find . -type f | sed 's|^\./|example-package/|')
} | sed "s|^|$top/|" | LC_ALL=C sort >"$work/expected"
unzip -Z1 "$work/one/$top.zip" | LC_ALL=C sort >"$work/listed"
diff -u "$work/expected" "$work/listed" || fail "files in $top.zip"
[ "$(unzip -Z1 "$work/one/$top-debug.zip")" = VelkInstall.exe.debug ] || fail "files in $top-debug.zip"

mkdir "$work/unpacked"
unzip -q "$work/one/$top.zip" -d "$work/unpacked"
unzip -q "$work/one/$top-debug.zip" -d "$work/unpacked"
(cd "$work/unpacked/$top" && sha256sum --quiet -c SHA256SUMS) || fail "checksums"
[ "$(wc -l <"$work/unpacked/$top/SHA256SUMS")" -eq "$(($(wc -l <"$work/expected") - 1))" ] ||
    fail "SHA256SUMS does not list every other file"
cmp "$build/VelkInstall.exe" "$work/unpacked/$top/VelkInstall.exe" || fail "program"
cmp "$build/VelkInstall.exe" "$work/unpacked/$top/example-package/VelkInstall.exe" ||
    fail "program in the example package"
cmp "$build/VelkInstall.exe.debug" "$work/unpacked/VelkInstall.exe.debug" || fail "debug file"
cmp "$build/velkcheck.exe" "$work/unpacked/$top/velkcheck.exe" || fail "velkcheck.exe"
cmp "$build/linux/velkcheck" "$work/unpacked/$top/velkcheck" || fail "velkcheck"
checked=$("$work/unpacked/$top/velkcheck" "$work/unpacked/$top/example-package") ||
    fail "velkcheck from the archive on its example package: exit $?"
[ -z "$checked" ] || fail "velkcheck finds the example package not clean: $checked"
grep -q "^VelkInstall $version\$" "$work/unpacked/$top/BUILDINFO" || fail "version in BUILDINFO"
grep -q "^  g++-mingw-w64-x86-64-posix  *[0-9]" "$work/unpacked/$top/BUILDINFO" ||
    fail "Windows compiler's package in BUILDINFO"
grep -q "VelkInstall $version " "$work/unpacked/$top/README.txt" || fail "version in README.txt"

for zip in "$top.zip" "$top-debug.zip"; do
    cmp "$work/one/$zip" "$work/two/$zip" || fail "$zip differs when packed again"
done
echo "$top.zip: $(wc -l <"$work/listed") files, checksums hold, same bytes when packed again"
