#!/usr/bin/env bash
# Builds the Windows build's dependencies as static i686 libraries with the
# mingw-w64 toolchain, from Debian's source packages:
#   DEPS/curl        libcurl: Schannel TLS, HTTP and HTTPS only, nothing optional
#   DEPS/tinyxml     TinyXML with TIXML_USE_STL
#   DEPS/googletest  GoogleTest and GoogleMock
# DEPS defaults to build/windows-deps; LIBRARY... (curl, tinyxml, googletest)
# defaults to all three. A library whose stamp matches its source version and this
# recipe is not built again.
#
#   build-windows-deps.sh [DEPS [LIBRARY...]]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps=${1:-$root/build/windows-deps}
shift $(($# > 0 ? 1 : 0))
if (($# > 0)); then libraries=("$@"); else libraries=(curl tinyxml googletest); fi
for library in "${libraries[@]}"; do
  case $library in
  curl | tinyxml | googletest) ;;
  *) echo "build-windows-deps: no recipe for $library" >&2; exit 2 ;;
  esac
done
wanted() { [[ " ${libraries[*]} " == *" $1 "* ]]; }
mkdir -p "$deps"
deps=$(cd "$deps" && pwd)
toolchain=$root/cmake/mingw-w64-i686.cmake
jobs=${QIV_JOBS:-2}
# Optimised for size, one section per function and object, so that the program's
# link (--gc-sections) keeps only what it calls. The prefix map writes every path
# under DEPS (source trees, build directories) relative to it, so that the
# libraries, and the program linked from them, are the same bytes wherever DEPS is.
release_flags="-Os -DNDEBUG -ffunction-sections -fdata-sections -ffile-prefix-map=$deps/="

bash "$root/scripts/fetch-windows-sources.sh" "$deps/src" "${libraries[@]}"

# source_tree PACKAGE: the source tree fetched for it (its .dir file names the tree).
source_tree() { echo "$deps/src/$(basename "$(cat "$deps/src/$1.dir")")"; }

# build NAME SOURCE_DIR CMAKE_ARGS...: configure, build and install into DEPS/NAME.
# The stamp names the source version and hashes the toolchain, the flags, the
# arguments and any CMakeLists.txt of ours that the source directory holds; DEPS
# itself is left out of the hash (the output does not depend on it), so a copied
# DEPS stays up to date.
build() {
  local name=$1 source=$2
  shift 2
  local prefix=$deps/$name
  local recipe options="$release_flags $*"
  recipe=$({ cat "$toolchain"; echo "${options//"$deps"/DEPS}"; cat "$source/CMakeLists.txt"; } |
    sha256sum | cut -c1-16)
  local stamp
  stamp="$(basename "$(source_tree "$name")") $recipe"
  if [[ -f $prefix/.stamp && $(cat "$prefix/.stamp") == "$stamp" ]]; then
    echo "build-windows-deps: $name is up to date"
    return
  fi
  echo "build-windows-deps: building $name"
  local work=$deps/work/$name
  rm -rf "$work" "$prefix"
  cmake -S "$source" -B "$work" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_C_FLAGS_RELEASE="$release_flags" -DCMAKE_CXX_FLAGS_RELEASE="$release_flags" "$@" >"$deps/$name.log" 2>&1 ||
    { tail -n 40 "$deps/$name.log" >&2; exit 1; }
  cmake --build "$work" -j "$jobs" >>"$deps/$name.log" 2>&1 ||
    { tail -n 40 "$deps/$name.log" >&2; exit 1; }
  cmake --install "$work" >>"$deps/$name.log" 2>&1 ||
    { tail -n 40 "$deps/$name.log" >&2; exit 1; }
  rm -rf "$work"
  echo "$stamp" >"$prefix/.stamp"
}

# 32-bit Wine under qemu-user (machines whose kernel cannot run 32-bit code) loses
# track of which thread is which once a process has a second thread, and the next
# exception (every OutputDebugString raises one) crashes it. GoogleTest's Windows
# thread-local storage starts a thread that watches for the exit of each thread
# using it; the unit tests run on one thread, so a copy of GoogleTest without that
# watcher is built (per-thread values of finished threads are simply kept).
googletest_without_watcher_thread() {
  local source=$1 copy=$deps/work/googletest-src
  rm -rf "$copy"
  mkdir -p "$deps/work"
  cp -a "$source" "$copy"
  local file=$copy/googletest/src/gtest-port.cc
  grep -q '^      StartWatcherThreadFor(current_thread);$' "$file" ||
    { echo "build-windows-deps: GoogleTest's watcher thread start not found" >&2; exit 1; }
  sed -i 's|^      StartWatcherThreadFor(current_thread);$|      // No watcher thread (see build-windows-deps.sh).|' "$file"
  echo "$copy"
}

if wanted curl; then
  build curl "$(source_tree curl)" \
    -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF -DBUILD_LIBCURL_DOCS=OFF \
    -DHTTP_ONLY=ON -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON \
    -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_USE_MBEDTLS=OFF -DCURL_USE_WOLFSSL=OFF \
    -DCURL_USE_BEARSSL=OFF -DCURL_USE_NSS=OFF -DCURL_USE_GNUTLS=OFF \
    -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DUSE_NGTCP2=OFF \
    -DUSE_QUICHE=OFF -DUSE_MSH3=OFF -DUSE_LIBIDN2=OFF -DUSE_WIN32_IDN=OFF \
    -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF -DCURL_USE_GSSAPI=OFF -DUSE_LIBRTMP=OFF \
    -DENABLE_UNIX_SOCKETS=OFF -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none \
    -DCURL_DISABLE_INSTALL=OFF
fi
if wanted tinyxml; then
  build tinyxml "$root/cmake/windows-deps/tinyxml" -DTINYXML_SOURCE_DIR="$(source_tree tinyxml)"
fi
if wanted googletest; then
  build googletest "$(googletest_without_watcher_thread "$(source_tree googletest)")" \
    -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=ON -Dgtest_force_shared_crt=OFF \
    -DQIV_GTEST_PATCH=no-watcher-thread
fi
