#!/usr/bin/env bash
# Installs the Debian packages the build, the stand-in host and the tests need.
# Safe to run again: only missing packages are fetched.
set -euo pipefail
packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-svg-dev
  libsqlite3-dev libzint-dev libxlsxwriter-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-noto-cjk fonts-wqy-zenhei poppler-utils xvfb xauth
  clang libclang-rt-14-dev  # second compiler; sanitizer and libFuzzer runtimes
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
