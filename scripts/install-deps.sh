#!/usr/bin/env bash
# Installs the Debian packages the build, the stand-in host and the tests need.
# Safe to run again: when everything is installed it calls no apt-get at all (an offline machine
# builds as before). Every name below is a real package, never a virtual one: dpkg never reports
# a virtual name as installed, so it would be fetched again on every run.
set -euo pipefail
packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-translations-l10n
  libsqlite3-dev libpq-dev postgresql libzint-dev libxlsxwriter-dev zlib1g-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-noto-cjk fonts-wqy-zenhei poppler-utils unzip xvfb xauth
  clang libclang-rt-14-dev  # second compiler; sanitizer and libFuzzer runtimes
)
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
# A name that apt resolved to another package would be fetched again on every run.
still=()
for p in "${missing[@]}"; do
  installed "$p" || still+=("$p")
done
if [ ${#still[@]} -ne 0 ]; then
  echo "install-deps.sh: not installed under these names (virtual or misspelt): ${still[*]}" >&2
  exit 1
fi
