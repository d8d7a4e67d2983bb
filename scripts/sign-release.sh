#!/usr/bin/env bash
# Signs Windows programs (PE files: QivDepends.exe, installers) and Windows Installer
# packages (.msi) in place with an Authenticode signature (SHA-256) by osslsigncode,
# with the certificate the environment names:
#   QIV_SIGN_PKCS12         PKCS#12 file holding the key and the certificate chain, and
#   QIV_SIGN_PASSWORD_FILE  a file holding its password (or QIV_SIGN_PASSWORD)
# or a key on a PKCS#11 token:
#   QIV_SIGN_PKCS11_MODULE  the token's PKCS#11 module (a .so file)
#   QIV_SIGN_PKCS11_KEY     the key's PKCS#11 URI (pkcs11:token=...;object=...)
#   QIV_SIGN_CERTS          the certificate chain (PEM), or QIV_SIGN_PKCS11_CERT, its URI
#   QIV_SIGN_PASSWORD_FILE  the token's PIN, where it asks for one (or QIV_SIGN_PASSWORD)
#   QIV_SIGN_PKCS11_ENGINE  OpenSSL's pkcs11 engine, where osslsigncode does not find it
# and in both cases
#   QIV_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamp server (more than one: blank-separated);
#                           without it the signature carries no time stamp and is
#                           valid only as long as the certificate
#   QIV_SIGN_DESCRIPTION    the name Windows shows for the signed program (default Vantor)
#   QIV_SIGN_URL            the URL shown beside it
#
#   sign-release.sh FILE...
#
# Signing is the step after the reproducible build: each file's signature is removed
# again from a copy, and the file is left unsigned and the script fails unless that
# gives back the bytes that were signed. (osslsigncode pads a file to a multiple of 8
# bytes and sets the PE checksum; a linked program such as QivDepends.exe has both
# already and comes back exactly, an NSIS installer may differ in those two only. A
# package is a compound file that osslsigncode writes anew: its tables and streams,
# as msidump shows them, must come back.)
set -euo pipefail

if (($# == 0)); then
  echo "usage: $0 FILE..." >&2
  exit 2
fi
command -v osslsigncode >/dev/null ||
  { echo "sign-release: osslsigncode is missing (Debian package osslsigncode)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

options=(-h sha256 -n "${QIV_SIGN_DESCRIPTION:-Vantor}")
[[ -n ${QIV_SIGN_URL:-} ]] && options+=(-i "$QIV_SIGN_URL")
password=${QIV_SIGN_PASSWORD_FILE:-}
if [[ -z $password && -n ${QIV_SIGN_PASSWORD:-} ]]; then
  # Through a file, so that the password is not on a command line others can read.
  password=$work/password
  (umask 077 && printf '%s' "$QIV_SIGN_PASSWORD" >"$password")
fi
if [[ -n ${QIV_SIGN_PKCS12:-} ]]; then
  options+=(-pkcs12 "$QIV_SIGN_PKCS12")
elif [[ -n ${QIV_SIGN_PKCS11_MODULE:-} ]]; then
  [[ -n ${QIV_SIGN_PKCS11_KEY:-} ]] ||
    { echo "sign-release: QIV_SIGN_PKCS11_MODULE needs QIV_SIGN_PKCS11_KEY" >&2; exit 2; }
  [[ -n ${QIV_SIGN_PKCS11_ENGINE:-} ]] && options+=(-pkcs11engine "$QIV_SIGN_PKCS11_ENGINE")
  options+=(-pkcs11module "$QIV_SIGN_PKCS11_MODULE" -key "$QIV_SIGN_PKCS11_KEY")
  if [[ -n ${QIV_SIGN_CERTS:-} ]]; then
    options+=(-certs "$QIV_SIGN_CERTS")
  elif [[ -n ${QIV_SIGN_PKCS11_CERT:-} ]]; then
    options+=(-pkcs11cert "$QIV_SIGN_PKCS11_CERT")
  else
    echo "sign-release: a PKCS#11 key needs QIV_SIGN_CERTS or QIV_SIGN_PKCS11_CERT" >&2
    exit 2
  fi
else
  echo "sign-release: no certificate: set QIV_SIGN_PKCS12 or QIV_SIGN_PKCS11_MODULE" >&2
  exit 2
fi
[[ -n $password ]] && options+=(-readpass "$password")
for url in ${QIV_SIGN_TIMESTAMP_URL:-}; do
  options+=(-ts "$url")
done

# same_but_padding_and_checksum A B: B is A, but for zero bytes up to the next
# multiple of 8 and the PE header's checksum field.
same_but_padding_and_checksum() {
  cmp -s "$1" "$2" && return
  python3 - "$1" "$2" <<'EOF'
import sys
a, b = (bytearray(open(path, 'rb').read()) for path in sys.argv[1:3])
padding = -len(a) % 8
if len(b) != len(a) + padding or any(b[len(a):]):
    sys.exit(1)
checksum = int.from_bytes(a[0x3C:0x40], 'little') + 24 + 64
a[checksum:checksum + 4] = b[checksum:checksum + 4] = bytes(4)
sys.exit(0 if a == b[:len(a)] else 1)
EOF
}

# same_package_content A B: the Windows Installer packages A and B hold the same
# tables and streams.
same_package_content() {
  command -v msidump >/dev/null ||
    { echo "sign-release: msidump is missing (Debian package msitools)" >&2; return 1; }
  rm -rf "$work/dump-a" "$work/dump-b"
  mkdir "$work/dump-a" "$work/dump-b"
  msidump -t -s -d "$work/dump-a" "$1" >/dev/null &&
    msidump -t -s -d "$work/dump-b" "$2" >/dev/null &&
    diff -r "$work/dump-a" "$work/dump-b" >/dev/null
}

for file in "$@"; do
  name=$(basename "$file")
  same=same_but_padding_and_checksum
  [[ ${name,,} == *.msi ]] && same=same_package_content
  signed=$work/$name.signed
  osslsigncode sign "${options[@]}" -in "$file" -out "$signed" >"$work/sign.log" 2>&1 ||
    { cat "$work/sign.log" >&2; echo "sign-release: signing $file failed" >&2; exit 1; }
  osslsigncode remove-signature -in "$signed" -out "$work/$name.unsigned" >/dev/null
  if ! "$same" "$file" "$work/$name.unsigned"; then
    echo "sign-release: removing the signature of $file does not give back its bytes" >&2
    exit 1
  fi
  unsigned_sha256=$(sha256sum <"$file" | cut -d' ' -f1)
  cp "$signed" "$file"
  echo "sign-release: signed $file (unsigned SHA-256 $unsigned_sha256," \
    "signed $(sha256sum <"$file" | cut -d' ' -f1))"
done
