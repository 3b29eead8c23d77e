#!/usr/bin/env bash
# Installs the Debian packages Tavlo needs to build, run and test; skips what is present.
set -euo pipefail
PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libsqlite3-dev sqlite3 libhpdf-dev libzip-dev libsodium-dev zip unzip
  qt6-base-dev libgl1-mesa-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  poppler-utils fonts-liberation xvfb xauth
  dpkg-dev file x11-utils desktop-file-utils
  clang libclang-rt-14-dev
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
