#!/usr/bin/env bash
# The release in CI: builds the package from the windows-release preset, builds it
# again from a copy of the tree in another folder (its own libraries, built there
# from the same sources, later) and compares the SHA-256 of the libraries, the
# program and the zip; then signs the program, the NSIS example installer (and the
# uninstaller inside it, which a silent install under Wine unpacks), the Inno
# Setup example installer (signed after ISCC built it) and the MSI example package
# (its custom actions' DLL signed before wixl packs it, the package after) with a
# throwaway CA's code-signing certificate, time-stamped by a loopback RFC 3161
# server with that CA's time-stamping certificate, checks the signatures with
# osslsigncode against that CA, shows that removing the signature gives back the
# reproducible program, and that one changed byte fails the check.
#
#   ci-release.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

started=$SECONDS
step() {
  echo
  echo "== release: $1 ($((SECONDS - started)) s)"
}
fail() {
  echo "release: FAILED: $*" >&2
  exit 1
}

work=$(mktemp -d "${TMPDIR:-/tmp}/qiv-release.XXXXXX")
timestamp_server=
cleanup() {
  [[ -z $timestamp_server ]] || kill "$timestamp_server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
version=$(sed -n 's/^project(QivDepends VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip_name=QivDepends-$version-win32.zip
deps=${QIV_WINDOWS_DEPS_DIR:-$root/build/windows-deps}

step "package from the windows-release preset"
QIV_WINDOWS_DEPS_DIR=$deps bash scripts/build-release.sh
first=$root/build/windows-release

# The copy holds the tree as it is (uncommitted changes too) without .git, so it
# takes the zip's time from SOURCE_DATE_EPOCH, as anyone rebuilding a release does.
step "the same again in another folder, with its own libraries"
if epoch=$(git log -1 --format=%ct 2>/dev/null); then
  export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$epoch}
fi
[[ -n ${SOURCE_DATE_EPOCH:-} ]] || fail "no commit and no SOURCE_DATE_EPOCH"
other=$work/elsewhere/QivDepends
mkdir -p "$other/build/windows-deps"
git ls-files -z --cached --others --exclude-standard |
  tar --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -xf - -C "$other"
# The source packages as fetched (no second download); built anew from them.
cp -a "$deps/src" "$other/build/windows-deps/"
rm -rf "$other/build/windows-deps/src/.apt"
(cd "$other" && env -u QIV_WINDOWS_DEPS_DIR bash scripts/build-release.sh)
second=$other/build/windows-release

step "comparing the two builds"
differ=0
compare() {
  local name=$1 a=$2 b=$3 hash_a hash_b
  hash_a=$(sha256sum <"$a" | cut -d' ' -f1)
  hash_b=$(sha256sum <"$b" | cut -d' ' -f1)
  if [[ $hash_a == "$hash_b" ]]; then
    echo "release: identical $name $hash_a"
  else
    echo "release: DIFFERENT $name: $hash_a ($a) and $hash_b ($b)"
    cmp -l "$a" "$b" | head -n 10 || true
    differ=1
  fi
}
compare libcurl.a "$deps/curl/lib/libcurl.a" "$other/build/windows-deps/curl/lib/libcurl.a"
compare libtinyxml.a "$deps/tinyxml/lib/libtinyxml.a" \
  "$other/build/windows-deps/tinyxml/lib/libtinyxml.a"
compare QivDepends.exe "$first/package/QivDepends.exe" "$second/package/QivDepends.exe"
compare "$zip_name" "$first/$zip_name" "$second/$zip_name"
((differ == 0)) || fail "the two builds differ"

step "throwaway CA and code-signing certificate"
pki=$work/pki
mkdir -p "$pki"
openssl req -x509 -newkey rsa:3072 -nodes -sha256 -days 2 -subj "/CN=QivDepends CI throwaway CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -keyout "$pki/ca.key" -out "$pki/ca.pem" 2>/dev/null
# issue NAME COMMON-NAME EXTENDED-KEY-USAGE: a leaf certificate of the CA, in
# $pki/NAME.key and $pki/NAME.pem.
issue() {
  openssl req -newkey rsa:3072 -nodes -subj "/CN=$2" \
    -keyout "$pki/$1.key" -out "$pki/$1.csr" 2>/dev/null
  printf '%s\n' "basicConstraints=critical,CA:FALSE" "keyUsage=critical,digitalSignature" \
    "extendedKeyUsage=critical,$3" >"$pki/$1.ext"
  openssl x509 -req -sha256 -days 2 -in "$pki/$1.csr" -CA "$pki/ca.pem" -CAkey "$pki/ca.key" \
    -CAcreateserial -extfile "$pki/$1.ext" -out "$pki/$1.pem" 2>/dev/null
}
issue sign "QivDepends CI code signing" codeSigning
(umask 077 && openssl rand -hex 16 >"$pki/password")
openssl pkcs12 -export -inkey "$pki/sign.key" -in "$pki/sign.pem" -certfile "$pki/ca.pem" \
  -passout "file:$pki/password" -out "$pki/sign.p12"
export QIV_SIGN_PKCS12=$pki/sign.p12 QIV_SIGN_PASSWORD_FILE=$pki/password
# A time-stamping certificate from the same CA, for an RFC 3161 server on loopback.
issue tsa "QivDepends CI time stamps" timeStamping
python3 tests/release/timestamp_server.py --cert "$pki/tsa.pem" --key "$pki/tsa.key" \
  --chain "$pki/ca.pem" --url-file "$pki/tsa.url" &
timestamp_server=$!
for _ in $(seq 50); do
  [[ -f $pki/tsa.url ]] && break
  sleep 0.1
done
[[ -f $pki/tsa.url ]] || fail "the time-stamp server did not start"
QIV_SIGN_TIMESTAMP_URL=$(cat "$pki/tsa.url")
export QIV_SIGN_TIMESTAMP_URL
echo "release: time stamps from $QIV_SIGN_TIMESTAMP_URL"

step "signed package and the NSIS, Inno Setup and MSI example installers"
QIV_WINDOWS_DEPS_DIR=$deps bash scripts/build-release.sh >"$work/signed.log" ||
  { cat "$work/signed.log"; fail "the signed package"; }
grep -E '^(sign-release|release):|signed/' "$work/signed.log"
signed_exe=$first/signed/QivDepends.exe
# The installer around the signed program; makensis signs the uninstaller it packs
# and the installer itself with the same script.
installer=$work/QivClientSetup.exe
makensis -V2 -WX "-DQIV_EXE=$signed_exe" "-DQIV_VERSION_INI=$first/package/version.ini" \
  "-DOUTFILE=$installer" "-DQIV_SIGN_COMMAND=bash $root/scripts/sign-release.sh" \
  "$root/examples/nsis/QivClient.nsi"

# The Inno Setup example around the same program, compiled under Wine and signed as
# a step after its build.
inno_installer=$work/QivClientSetupInno.exe
python3 - "$signed_exe" "$first/package/version.ini" "$inno_installer" "$work/wine-iscc" <<'EOF'
import pathlib
import subprocess
import sys

sys.path.insert(0, 'tests/e2e')
from harness.wine import WinePrefix, host_path  # noqa: E402

exe, version_ini, setup, prefix = (pathlib.Path(argument) for argument in sys.argv[1:])
iscc = subprocess.run(['bash', 'scripts/install-innosetup.sh', '--path'], check=True,
                      capture_output=True, text=True).stdout.strip()
prefix = WinePrefix(prefix)
prefix.ensure()
compiled = prefix.run(['wine', host_path(pathlib.Path(iscc)), '/Q', f'/DQIV_EXE={host_path(exe)}',
                       f'/DQIV_VERSION_INI={host_path(version_ini)}',
                       f'/O{host_path(setup.parent)}', f'/F{setup.stem}',
                       host_path(pathlib.Path('examples/innosetup/QivClient.iss').resolve())],
                      timeout=300)
prefix.stop_server()
if compiled.returncode != 0 or not setup.is_file():
    sys.exit(f'the Inno Setup compiler ended with status {compiled.returncode}')
EOF
bash scripts/sign-release.sh "$inno_installer"

# The MSI example around the same program: the DLL of its custom actions is signed
# before wixl packs it, the package after it is built.
msi_actions=$work/qiv_msi_actions.dll
cmake --build --preset windows-release -j"${QIV_JOBS:-2}" --target qiv_msi_actions >/dev/null
cp "$first/qiv_msi_actions.dll" "$msi_actions"
bash scripts/sign-release.sh "$msi_actions"
msi_package=$work/QivClient.msi
bash examples/msi/build.sh "$signed_exe" "$first/package/version.ini" "$msi_actions" "$msi_package"
bash scripts/sign-release.sh "$msi_package"

step "verifying the signatures against the throwaway CA"
for file in "$signed_exe" "$installer" "$inno_installer" "$msi_actions" "$msi_package"; do
  osslsigncode verify -CAfile "$pki/ca.pem" -TSA-CAfile "$pki/ca.pem" -in "$file" \
    >"$work/verify.log" 2>&1 || { cat "$work/verify.log"; fail "the signature of $file is not verified"; }
  grep -q '^Timestamp Server Signature verification: ok' "$work/verify.log" ||
    { cat "$work/verify.log"; fail "$file has no verified time stamp"; }
  echo "release: $(basename "$file"):"
  grep -E 'Message digest algorithm  :|Current message digest|Calculated message digest|Subject:|Timestamp time|Signature verification|Succeeded' \
    "$work/verify.log" | sed 's/^[[:space:]]*/  /'
done
# The uninstaller is packed inside the installer: a silent install under Wine
# unpacks it (and the program, which must be the signed one). The signed MSI package
# installs the signed program too.
step "the signed installers install under Wine"
python3 - "$installer" "$msi_package" "$work/wine" <<'EOF'
import pathlib
import sys

sys.path.insert(0, 'tests/e2e')
from harness.wine import WinePrefix, host_path  # noqa: E402

installer, package = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
prefix = WinePrefix(pathlib.Path(sys.argv[3]))
prefix.ensure()
completed = prefix.run(['wine', str(installer), '/S', r'/D=C:\QivClient'], timeout=300)
if completed.returncode != 0:
    sys.exit(f'the installer ended with status {completed.returncode}')
completed = prefix.run(['wine', 'msiexec', '/i', host_path(package), '/qn',
                        r'INSTALLDIR=C:\QivClientMsi'], timeout=300)
prefix.stop_server()
if completed.returncode != 0:
    sys.exit(f'the MSI package ended with status {completed.returncode}')
EOF
client=$work/wine/drive_c/QivClient
cmp "$client/QivDepends.exe" "$signed_exe" || fail "the installer did not install the signed program"
osslsigncode verify -CAfile "$pki/ca.pem" -TSA-CAfile "$pki/ca.pem" -in "$client/uninstall.exe" \
  >"$work/verify.log" 2>&1 ||
  { cat "$work/verify.log"; fail "the installed uninstaller's signature is not verified"; }
echo "release: installed the signed program; uninstall.exe: $(grep -E '^Signature verification:' "$work/verify.log")"
cmp "$work/wine/drive_c/QivClientMsi/QivDepends.exe" "$signed_exe" ||
  fail "the MSI package did not install the signed program"
echo "release: the signed MSI package installed the signed program"

osslsigncode remove-signature -in "$signed_exe" -out "$work/stripped.exe" >/dev/null
compare "QivDepends.exe (signature removed) and the reproducible build" \
  "$work/stripped.exe" "$second/package/QivDepends.exe"
((differ == 0)) || fail "removing the signature does not give back the reproducible program"

step "one changed byte fails the check"
# A byte of the program's code, one of the data the installer unpacks (past the PE
# sections, which the signature covers as well), and one of a program the package
# holds (in one of its streams).
flip() {
  python3 - "$1" "$2" "$3" <<'EOF'
import sys
source, target, where = sys.argv[1], sys.argv[2], sys.argv[3]
data = bytearray(open(source, 'rb').read())
if where == 'stream':
    offset = data.index(b'This program cannot be run in DOS mode') + 5
else:
    pe = int.from_bytes(data[0x3C:0x40], 'little')
    sections = int.from_bytes(data[pe + 6:pe + 8], 'little')
    table = pe + 24 + int.from_bytes(data[pe + 20:pe + 22], 'little')
    ends = [int.from_bytes(data[table + 40 * i + 20:table + 40 * i + 24], 'little') +
            int.from_bytes(data[table + 40 * i + 16:table + 40 * i + 20], 'little')
            for i in range(sections)]
    offset = int.from_bytes(data[table + 20:table + 24], 'little') + 0x100 if where == 'code' \
        else max(ends) + 0x100
data[offset] ^= 0x01
open(target, 'wb').write(data)
print(f'0x{offset:x}')
EOF
}
for case in "$signed_exe code" "$installer appended" "$inno_installer appended" \
  "$msi_package stream"; do
  read -r file where <<<"$case"
  changed=$work/changed-$(basename "$file")
  offset=$(flip "$file" "$changed" "$where")
  if osslsigncode verify -CAfile "$pki/ca.pem" -TSA-CAfile "$pki/ca.pem" -in "$changed" \
    >"$work/verify.log" 2>&1; then
    cat "$work/verify.log"
    fail "$(basename "$file") with byte $offset changed still verifies"
  fi
  echo "release: $(basename "$file") with byte $offset changed ($where):"
  grep -E 'Calculated message digest|Signature verification|^Failed' "$work/verify.log" |
    sed 's/^[[:space:]]*/  /'
done

step "done: two identical builds, signatures verified and refused after a change"
