#!/usr/bin/env bash
# Builds the Windows release package from the windows-release preset (the product's
# hosts, the system's trust store, no tests), checks it and prints the SHA-256 of the
# program and the zip: build/windows-release/QivDepends-<version>-win32.zip.
# The same commit gives the same bytes on any machine with the same Debian packages.
#
#   build-release.sh
#
# Environment (each optional):
#   QIV_SITE_HOST, QIV_COLLECTOR_HOST, QIV_TRACKING_HOST, QIV_QA_HOST_SUFFIXES,
#   QIV_BUILD_NUMBER      the release's hosts and build number; unset, the build's
#                         defaults (a value left from an earlier call is dropped)
#   SOURCE_DATE_EPOCH     the zip's time; without it, the last commit's
#   QIV_WINDOWS_DEPS_DIR  where the libraries are built and kept (build/windows-deps)
#   QIV_SIGN_...          a certificate (see sign-release.sh): then the program is also
#                         signed, in build/windows-release/signed/ with its own zip
set -euo pipefail
cd "$(dirname "$0")/.."

configure=()
for name in QIV_SITE_HOST QIV_COLLECTOR_HOST QIV_TRACKING_HOST QIV_QA_HOST_SUFFIXES \
  QIV_BUILD_NUMBER QIV_WINDOWS_DEPS_DIR; do
  if [[ -n ${!name:-} ]]; then
    configure+=("-D$name=${!name}")
  else
    configure+=("-U$name")
  fi
done
cmake --preset windows-release "${configure[@]}" >/dev/null
cmake --build --preset windows-release -j"${QIV_JOBS:-2}" --target package

build=$PWD/build/windows-release
version=$(sed -n 's/^project(QivDepends VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip=$build/QivDepends-$version-win32.zip
python3 scripts/check-release-package.py "$zip"
echo "release: $(sha256sum "$build/package/QivDepends.exe")"
echo "release: $(sha256sum "$zip")"

if [[ -z ${QIV_SIGN_PKCS12:-}${QIV_SIGN_PKCS11_MODULE:-} ]]; then
  exit 0
fi
# The signed package: the same files with the signed program and its checksum.
signed=$build/signed
rm -rf "$signed"
mkdir -p "$signed"
cp "$build/package/QivDepends.exe" "$build/package/version.ini" \
  "$build/package/THIRD_PARTY_NOTICES.txt" "$signed/"
bash scripts/sign-release.sh "$signed/QivDepends.exe"
cmake -DDIR="$signed" "-DFILES=QivDepends.exe;version.ini;THIRD_PARTY_NOTICES.txt" \
  -P cmake/write_sha256sums.cmake
python3 packaging/make_release_zip.py --source-dir . --output "$signed/$(basename "$zip")" \
  "$signed"/{QivDepends.exe,version.ini,THIRD_PARTY_NOTICES.txt,SHA256SUMS}
python3 scripts/check-release-package.py "$signed/$(basename "$zip")"
echo "release: $(sha256sum "$signed/$(basename "$zip")")"
