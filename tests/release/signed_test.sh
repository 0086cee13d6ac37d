#!/usr/bin/env bash
# The signed release, packed from the programs already built: signed with a certificate made for
# this run, each program's signature holds against it and carries the commit's time as its
# signing time; with the signatures taken off the programs are the build's; the key is nowhere in
# the archive or the output; scripts/release --verify accepts the archive and refuses it once a
# byte of a program has changed (its checksums made to hold again). Windows (WinVerifyTrust under
# Wine) finds the signed program intact and the changed one not.
#   signed_test.sh SOURCE_DIR BUILD_DIR VERIFY_TRUST_EXE
set -euo pipefail
source_dir=$1 build=$2 verify_trust=$3
version=$(cat "$build/version.txt")
top="VelkInstall-$version"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=VelkInstall test signer" \
    -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
"$source_dir/scripts/release" --sign "$work/cert.pem" "$work/key.pem" --pack "$build" "$work/out" \
    >"$work/log" 2>&1 || fail "signed packing: $(cat "$work/log")"
archive="$work/out/$top.zip"
unzip -q "$archive" -d "$work/unpacked"
signed="$work/unpacked/$top"

epoch=${SOURCE_DATE_EPOCH:-$(git -C "$source_dir" log -1 --format=%ct)}
signing_time=$(date -u -d "@$epoch" '+%b %e %H:%M:%S %Y GMT')
for program in VelkInstall.exe example-package/VelkInstall.exe velkcheck.exe; do
    checked=$(osslsigncode verify -CAfile "$work/cert.pem" -in "$signed/$program") ||
        fail "signature of $program: $checked"
    grep -qF "Signing time: $signing_time" <<<"$checked" ||
        fail "signing time of $program is not the commit's ($signing_time)"
    osslsigncode remove-signature -in "$signed/$program" -out "$work/unsigned" >/dev/null
    cmp "$work/unsigned" "$build/$(basename "$program")" || fail "$program without its signature"
    rm "$work/unsigned"
done
key_line=$(sed -n 2p "$work/key.pem")
! grep -rqF -- "$key_line" "$work/unpacked" "$work/log" || fail "the key in the archive or output"

"$source_dir/scripts/release" --verify "$archive" "$work/cert.pem" >"$work/verified" 2>&1 ||
    fail "--verify of the signed archive: $(cat "$work/verified")"

# A byte of the DOS stub, which the signature covers.
cp "$signed/VelkInstall.exe" "$work/intact.exe"
printf 'X' | dd of="$signed/VelkInstall.exe" bs=1 seek=96 conv=notrunc status=none
(cd "$signed" && grep -v '  VelkInstall.exe$' SHA256SUMS >SHA256SUMS.new &&
    sha256sum VelkInstall.exe >>SHA256SUMS.new && mv SHA256SUMS.new SHA256SUMS)
(cd "$work/unpacked" && zip -q -r "$work/changed.zip" "$top")
if "$source_dir/scripts/release" --verify "$work/changed.zip" "$work/cert.pem" >"$work/verified" 2>&1; then
    fail "--verify accepts a changed program"
fi
grep -q "VelkInstall.exe: the signature does not hold" "$work/verified" ||
    fail "--verify of a changed program: $(cat "$work/verified")"

# Wine checks that the file is the one signed, not whether the certificate is trusted: the intact
# program signed with the unknown certificate is 0 (S_OK), the changed one TRUST_E_BAD_DIGEST.
trust() { wine "$verify_trust" "Z:$1" | tr -d '\r'; }
[ "$(trust "$work/intact.exe")" = 0x00000000 ] || fail "WinVerifyTrust on the signed program"
[ "$(trust "$signed/VelkInstall.exe")" = 0x80096010 ] || fail "WinVerifyTrust on a changed program"
echo "$top.zip: signed, signatures hold, without them the build's programs; changes caught"
