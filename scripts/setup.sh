#!/usr/bin/env bash
# Installs, on Debian 12 as root, every system package this project needs to build,
# test and benchmark — and only those that are missing. Safe to run again.
set -euo pipefail

packages=(
  # toolchain
  build-essential g++ clang lld cmake ninja-build pkg-config git
  libclang-rt-14-dev
  # libraries the library links
  zlib1g-dev libjpeg-dev libpng-dev libfreetype-dev libfontconfig-dev libssl-dev
  # front ends
  qt6-base-dev libcli11-dev nlohmann-json3-dev
  # the wizard: e-mail after save, and the local SMTP server its test talks to
  libcurl4-openssl-dev python3-aiosmtpd
  # tests
  libgtest-dev libgmock-dev
  qpdf poppler-utils python3 python3-pypdf python3-pycryptodome python3-pil
  fonts-liberation2 fonts-dejavu-core python3-fonttools
  # house checks and the Debian package
  clang-format dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages: ${missing[*]}" >&2
  echo "setup: run this script as root to install them" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
