#!/usr/bin/env bash
# Signs the release files as a signing build does, with a certificate made
# here, and has osslsigncode verify every signature: the program, setup.exe,
# uninstall.exe and the installer's printer steps, the package, and the
# programs inside the package (signed before they were packaged).
#   signing_test.sh DIST ACTIONS_DLL ICON VERSION SOURCE_DIR
set -uo pipefail
dist="$1" actions_dll="$2" icon="$3" version="$4" source_dir="$5"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# A self-signed code-signing certificate, its password in a file.
printf 'test password\n' >"$work/password"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tarnwell signing test" \
  -addext "keyUsage=digitalSignature" -addext "extendedKeyUsage=codeSigning" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null || { echo "openssl req failed"; exit 1; }
openssl pkcs12 -export -passout "file:$work/password" -inkey "$work/key.pem" \
  -in "$work/cert.pem" -out "$work/cert.p12" || { echo "openssl pkcs12 failed"; exit 1; }
signing=(-DPKCS12="$work/cert.p12" -DPASSWORD_FILE="$work/password")

cp -r "$dist" "$work/app"
cp "$actions_dll" "$work/printer_actions.dll"
programs=("$work/app/Tarnwell PDF Printer Software.exe" "$work/app/Quellmark PDF Setup/setup.exe"
          "$work/app/Quellmark PDF Setup/uninstall.exe" "$work/printer_actions.dll")
files="$(IFS=';'; echo "${programs[*]}")"
cmake "${signing[@]}" "-DFILES=$files" -P "$source_dir/cmake/sign_files.cmake" >/dev/null ||
  fail "signing the programs"
cmake "${signing[@]}" -DDIST="$work/app" -DACTIONS_DLL="$work/printer_actions.dll" \
  -DICON="$icon" -DVERSION="$version" -DOUTPUT="$work/signed.msi" -DWORK="$work/msi" \
  -P "$source_dir/installer/build_msi.cmake" >/dev/null || fail "building the signed package"

verify() {  # verify FILE: osslsigncode accepts its one signature, made by our certificate
  local out
  out="$(osslsigncode verify -CAfile "$work/cert.pem" -in "$1" 2>&1)"
  if [ $? -ne 0 ] || ! grep -q '^Signature verification: ok' <<<"$out" ||
     ! grep -q 'Tarnwell signing test' <<<"$out"; then
    fail "verify $1"
    sed 's/^/    /' <<<"$out" | tail -n 8
  else
    echo "ok: $(basename "$1")"
  fi
}
for file in "${programs[@]}" "$work/signed.msi"; do verify "$file"; done

mkdir -p "$work/extracted"
(cd "$work/extracted" && msiextract "$work/signed.msi" >/dev/null) || fail "msiextract"
while IFS= read -r -d '' program; do
  verify "$program"
done < <(find "$work/extracted" -iname '*.exe' -print0)
[ "$(find "$work/extracted" -iname '*.exe' | wc -l)" -eq 3 ] || fail "the package holds 3 programs"

# With a wrong password the build must stop and leave no unsigned file
# that a later build would take for done.
printf 'wrong\n' >"$work/wrong"
if cmake -DPKCS12="$work/cert.p12" -DPASSWORD_FILE="$work/wrong" "-DFILES=${programs[0]}" \
     -P "$source_dir/cmake/sign_files.cmake" >/dev/null 2>&1; then
  fail "a wrong password signed"
fi
[ ! -e "${programs[0]}" ] || fail "a file that could not be signed is still there"

[ "$failures" -eq 0 ] && echo "every signature verified"
[ "$failures" -eq 0 ]
