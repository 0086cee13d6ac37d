#!/usr/bin/env bash
# The winget archive of the example package, built from this build's program by
# docs/deploy/winget/make-archive: it holds the package as the folder the manifest's
# RelativeFilePath names, the copies of the manifests carry its SHA-256 (and the address given),
# packing again gives the same bytes, and the manifests beside the script keep their placeholder.
#   winget_archive_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1 build=$2
script="$source_dir/docs/deploy/winget/make-archive"
manifest=VelkMarden.ZullDemo.installer.yaml
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$script" --exe "$build/VelkInstall.exe" "$source_dir/examples/package" "$work/one" >/dev/null
sleep 2 # zip keeps times to two seconds: the second packing sees files of another time
"$script" --url https://example.org/Zull/ZullDemo-2.1.0.zip --exe "$build/VelkInstall.exe" \
    "$source_dir/examples/package" "$work/two" >/dev/null

zip="$work/one/ZullDemo-2.1.0.zip"
{
    echo ZullDemo/VelkInstall.exe
    (cd "$source_dir/examples/package" && find . -type f | sed 's|^\./|ZullDemo/|')
} | LC_ALL=C sort >"$work/expected"
unzip -Z1 "$zip" | LC_ALL=C sort >"$work/listed"
diff -u "$work/expected" "$work/listed" || fail "files in the archive"
mkdir "$work/unpacked"
unzip -q "$zip" -d "$work/unpacked"
cmp "$build/VelkInstall.exe" "$work/unpacked/ZullDemo/VelkInstall.exe" || fail "program"
cmp "$zip" "$work/two/ZullDemo-2.1.0.zip" || fail "the archive differs when packed again"

sha=$(sha256sum "$zip" | cut -d' ' -f1 | tr 'a-f' 'A-F')
grep -qx "    InstallerSha256: $sha" "$work/one/manifests/$manifest" || fail "hash in the copy"
grep -qx "  - Architecture: x64" "$work/one/manifests/$manifest" || fail "the copy's other lines"
grep -qx "    InstallerUrl: https://example.org/Zull/ZullDemo-2.1.0.zip" \
    "$work/two/manifests/$manifest" || fail "address in the copy"
[ "$(ls "$work/one/manifests")" = "$(cd "$source_dir/docs/deploy/winget" && ls ./*.yaml | sed 's|^\./||')" ] ||
    fail "copies of the manifests"
grep -q 'InstallerSha256: "0\{64\}"' "$source_dir/docs/deploy/winget/$manifest" ||
    fail "the manifest beside the script changed"
echo "ZullDemo-2.1.0.zip: $(wc -l <"$work/listed") files, SHA-256 $sha in the manifests' copies"
