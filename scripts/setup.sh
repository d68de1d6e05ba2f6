#!/usr/bin/env bash
# Installs the Debian packages the build needs and builds everything into build/;
# with --packages-only it installs the packages and builds nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
# One package a line. libssl-dev is OpenSSL, for the tests' HTTPS client and certificates;
# libsodium-dev hashes passwords; libgoogle-perftools-dev brings tcmalloc, the
# command's allocator. The workspace's pages are tried in a real browser:
# chromium driven through chromium-driver by python3-selenium, with fonts-noto-cjk
# so that Chinese shows in its screenshots.
PKGS="
build-essential
cmake
ninja-build
pkg-config
libsqlite3-dev
libpq-dev
postgresql-15
libicu-dev
nlohmann-json3-dev
libcli11-dev
libcpp-httplib-dev
libmicrohttpd-dev
libsodium-dev
libgoogle-perftools-dev
libssl-dev
libgtest-dev
libgmock-dev
libbenchmark-dev
python3-lunardate
python3
python3-selenium
chromium
chromium-driver
fonts-noto-cjk
clang
libclang-rt-14-dev
ccache
"
missing=""
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq $missing
fi
[ "${1:-}" = --packages-only ] && exit 0
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build build -j"$(nproc)"
